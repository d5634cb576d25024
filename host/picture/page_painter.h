// page_painter: the page's picture kept up to date as the page changes, for
// a server that shows it live. Most changes touch a control or two: those
// groups alone are drawn again, and nothing at all when the page is as it
// was. The arrangement is drawn again only when it may have moved (a
// control or panel appeared, a panel was shown, a control of the default
// grid changed its height, another layout).
#ifndef HOST_PICTURE_PAGE_PAINTER_H
#define HOST_PICTURE_PAGE_PAINTER_H

#include "picture/svg_writer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quon::host {

class page_painter {
public:
    // What changed since the last draw: everything (`whole`), or the groups
    // at these places among the controls. Nothing when neither is set.
    struct change {
        bool whole = false;
        std::vector<std::size_t> controls;
    };

    // Brings the picture up to date with `page` drawn with `layout`. One
    // painter draws one model, which must outlive it.
    change draw(const page_model& page, const std::shared_ptr<const page_layout>& layout);
    const page_picture& picture() const { return picture_; }

private:
    change redraw_all(const page_model& page);

    page_picture picture_;
    std::vector<drawn_control> drawn_;
    std::vector<std::uint64_t> drawnAt_;        // the control's revision each group shows
    std::shared_ptr<const page_layout> layout_; // kept: a new layout is never taken for the old one
    std::uint64_t revision_ = 0, structure_ = 0;
    bool painted_ = false;
};

} // namespace quon::host

#endif
