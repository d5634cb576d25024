// svg_writer: a picture of the kivren page as one self-contained SVG text:
// the 16 monitor tiles with the picture each shows, the 12 under-monitor
// displays with their tallies and the 16 GPI lamps, drawn from the page model.
#ifndef HOST_SVG_WRITER_H
#define HOST_SVG_WRITER_H

#include "page_model.h"

#include <string>

// Draws the controls of `panel` as the page model holds them.
std::string render_page_svg(const page_model& page, const std::string& panel);

// Text made safe for SVG character data and attribute values.
std::string xml_escape(const std::string& text);
// True for "#rgb" and "#rrggbb" colour texts.
bool is_colour(const std::string& text);

#endif
