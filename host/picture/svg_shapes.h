// svg_shapes: the pieces the page picture is drawn with: escaped texts fitted
// to a width, and one control in a box in the way its kind shows it.
#ifndef HOST_PICTURE_SVG_SHAPES_H
#define HOST_PICTURE_SVG_SHAPES_H

#include "picture/page_layout.h"
#include "picture/page_model.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace quon::host {

// The text a picture is drawn into: appends to one buffer, numbers in
// decimal as a stream would write them. A page is redrawn on every action:
// the appends are inline (a literal's is a fixed-size copy) and the buffer
// grows by doubling, its unused end cut off once by take().
class svg_out {
public:
    svg_out& operator<<(std::string_view text) {
        append(text.data(), text.size());
        return *this;
    }
    template <typename N,
              std::enable_if_t<std::is_integral_v<N> && !std::is_same_v<N, char> && !std::is_same_v<N, bool>, int> = 0>
    svg_out& operator<<(N number) {
        char digits[24];
        append(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
        return *this;
    }
    void append(const char* bytes, std::size_t count) {
        if (used_ + count > text_.size()) text_.resize(std::max(2 * text_.size(), used_ + count + 256));
        std::memcpy(&text_[used_], bytes, count);
        used_ += count;
    }
    // What has been written; the writer is empty afterwards.
    std::string take() {
        text_.resize(used_);
        used_ = 0;
        return std::move(text_);
    }

private:
    std::string text_;
    std::size_t used_ = 0;
};

// A text to be written escaped as xml_escape does: o << escaped(name).
struct escaped {
    const std::string& raw;
};
svg_out& operator<<(svg_out& o, escaped text);

// Text made safe for SVG character data and attribute values: valid UTF-8
// (other bytes taken as Latin-1), markup characters escaped.
std::string xml_escape(const std::string& text);
// True for "#rgb" and "#rrggbb" colour texts.
bool is_colour(const std::string& text);

// A <text> element; `body` is escaped here.
void svg_text(svg_out& o, int x, int y, int size, const std::string& fill, const std::string& body,
              const char* anchor = "middle", const char* weight = "normal");
// A text shortened (on character boundaries) to fit a width at a font size.
std::string svg_fit(const std::string& text, int width, int size);

// Height a control of the default grid needs for its properties.
int box_height(const page_model::properties& props);
// Draws one control; `props` is null for a control the page does not hold.
void draw_control(svg_out& o, control_kind kind, const layout_box& box, const std::string& id,
                  const page_model::properties* props, const std::string& hatch);

} // namespace quon::host

#endif
