#include "serve_picture.h"

#include "serve_live.h"

picture_parts split_picture(const std::string& svg) {
    static const std::string open = "<g data-control=\"", close = "</g>\n";
    picture_parts parts;
    parts.frame.reserve(svg.size() / 4);
    std::size_t at = 0;
    for (;;) {
        const std::size_t begin = svg.find(open, at);
        const std::size_t end = begin == std::string::npos ? begin : svg.find(close, begin);
        if (end == std::string::npos) break;
        const std::size_t tagEnd = svg.find('>', begin) + 1; // the group's own tag stays in the frame
        parts.frame.append(svg, at, tagEnd - at);
        parts.controls.push_back(svg.substr(begin, end + close.size() - begin));
        at = end;
    }
    parts.frame.append(svg, at, std::string::npos);
    return parts;
}

std::string changed_controls(const picture_parts& before, const picture_parts& after) {
    if (before.frame != after.frame || before.controls.size() != after.controls.size()) return "";
    std::string out = "[";
    for (std::size_t i = 0; i < after.controls.size(); ++i) {
        if (before.controls[i] == after.controls[i]) continue;
        if (out.size() > 1) out += ",";
        out += "[" + std::to_string(i) + "," + json_string(after.controls[i]) + "]";
    }
    return out + "]";
}
