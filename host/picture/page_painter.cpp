#include "picture/page_painter.h"

#include "picture/svg_shapes.h"

namespace quon::host {

page_painter::change page_painter::redraw_all(const page_model& page) {
    page_picture before = std::move(picture_);
    draw_page(page, layout_.get(), picture_, &drawn_);
    drawnAt_.clear();
    for (const drawn_control& c : drawn_) drawnAt_.push_back(c.control ? c.control->revision : 0);
    change c;
    c.whole = !painted_ || before.around != picture_.around;
    for (std::size_t i = 0; !c.whole && i < picture_.controls.size(); ++i)
        if (picture_.controls[i] != before.controls[i]) c.controls.push_back(i);
    painted_ = true;
    return c;
}

page_painter::change page_painter::draw(const page_model& page, const std::shared_ptr<const page_layout>& layout) {
    const bool sameLayout = painted_ && layout == layout_;
    if (sameLayout && page.revision() == revision_) return {};
    const bool sameArrangement = sameLayout && page.structure_revision() == structure_;
    layout_ = layout;
    revision_ = page.revision();
    structure_ = page.structure_revision();
    if (!sameArrangement) return redraw_all(page);
    change c;
    for (std::size_t i = 0; i < drawn_.size(); ++i) {
        const drawn_control& d = drawn_[i];
        if (!d.control || d.control->revision == drawnAt_[i]) continue;
        // A grid control's height shapes its row: another height may move what follows.
        if (d.gridHeight && box_height(d.control->values) != d.gridHeight) return redraw_all(page);
        drawnAt_[i] = d.control->revision;
        std::string group = draw_control_group(d);
        if (group == picture_.controls[i]) continue;
        picture_.controls[i] = std::move(group);
        c.controls.push_back(i);
    }
    return c;
}

} // namespace quon::host
