// png_file: a picture of the page as PNG, converted from its SVG file by
// rsvg-convert (librsvg) in a process of its own, so that panel_host links
// no drawing library and a converter that fails cannot take the run down.
#ifndef HOST_PICTURE_PNG_FILE_H
#define HOST_PICTURE_PNG_FILE_H

#include <string>

namespace quon::host {

// The converter's program on the PATH; false with why (what to install).
bool find_png_converter(std::string& program, std::string& error);

// Where the PNG of an SVG picture goes: its name with ".png" for ".svg"
// (or added, when the name does not end in ".svg").
std::string png_path_for(const std::string& svgFile);

// Converts `svgFile` into `pngFile` with `program` (find_png_converter's),
// waiting at most `seconds`; false with the file and why.
bool convert_svg_to_png(const std::string& program, const std::string& svgFile, const std::string& pngFile,
                        std::string& error, int seconds = 60);

} // namespace quon::host

#endif
