// svg_shapes: the pieces the page picture is drawn with: escaped texts fitted
// to a width, and one control in a box in the way its kind shows it.
#ifndef HOST_SVG_SHAPES_H
#define HOST_SVG_SHAPES_H

#include "page_layout.h"
#include "page_model.h"

#include <sstream>
#include <string>

// Text made safe for SVG character data and attribute values: valid UTF-8
// (other bytes taken as Latin-1), markup characters escaped.
std::string xml_escape(const std::string& text);
// True for "#rgb" and "#rrggbb" colour texts.
bool is_colour(const std::string& text);

// A <text> element; `body` is escaped here.
std::string svg_text(int x, int y, int size, const std::string& fill, const std::string& body,
                     const char* anchor = "middle", const char* weight = "normal");
// A text shortened (on character boundaries) to fit a width at a font size.
std::string svg_fit(const std::string& text, int width, int size);

// Height a control of the default grid needs for its properties.
int box_height(const page_model::properties& props);
// Draws one control; `props` is null for a control the page does not hold.
void draw_control(std::ostringstream& o, control_kind kind, const layout_box& box, const std::string& id,
                  const page_model::properties* props, const std::string& hatch);

#endif
