// svg_writer: a picture of whatever the page holds, as one self-contained SVG
// text: every panel shown and every control the script has put a property on,
// each with its properties (texts as text, colours as colours, picture names,
// any other property as name=value). Controls a preview layout places are
// drawn there in their kind; the others in a grid in natural order.
//
// For pages that show the picture: each panel's group carries
// data-panel="NAME" and each control's group data-control="ID".
#ifndef HOST_SVG_WRITER_H
#define HOST_SVG_WRITER_H

#include "page_layout.h"
#include "page_model.h"

#include <string>

// Draws every panel of the page; `layout` may be null.
std::string render_page_svg(const page_model& page, const page_layout* layout);

#endif
