// svg_writer: a picture of whatever the page holds, as one self-contained SVG
// text: every panel shown and every control the script has put a property on,
// each with its properties (texts as text, colours as colours, picture names,
// any other property as name=value). Controls a preview layout places are
// drawn there in their kind; the others in a grid in natural order. A
// control the script never wrote to is not drawn, wherever a layout places
// it: the page holds only what the script wrote.
//
// For pages that show the picture: each panel's group carries
// data-panel="NAME" and each control's group data-control="ID".
#ifndef HOST_PICTURE_SVG_WRITER_H
#define HOST_PICTURE_SVG_WRITER_H

#include "picture/page_layout.h"
#include "picture/page_model.h"

#include <string>
#include <vector>

namespace quon::host {

// A drawn page cut at its control groups: the SVG text is around[0] +
// controls[0] + around[1] + ... + controls[n-1] + around[n].
struct page_picture {
    std::vector<std::string> around;   // the text between the groups (one more than controls)
    std::vector<std::string> controls; // each <g data-control=...> group, in drawing order
    std::string whole() const;
};

// What one control group was drawn from, to draw it again alone.
struct drawn_control {
    const page_model::control_entry* control = nullptr; // the page's entry of the control
    std::string id;
    control_kind kind = control_kind::box;
    layout_box box;
    std::string hatch;
    int gridHeight = 0; // in the default grid: the height it needs, which shapes its row
};

// Draws every panel of the page into `out`; `layout` may be null. `drawn`,
// when given, gets what each group was drawn from, in the same order.
void draw_page(const page_model& page, const page_layout* layout, page_picture& out,
               std::vector<drawn_control>* drawn = nullptr);
// Draws one group again, as draw_page drew it.
std::string draw_control_group(const drawn_control& c);

// The whole picture as one text.
std::string render_page_svg(const page_model& page, const page_layout* layout);

} // namespace quon::host

#endif
