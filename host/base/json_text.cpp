#include "base/json_text.h"

#include "base/utf8_text.h"

#include <algorithm>
#include <cstdio>

namespace quon::host {

std::string& append_json_string(std::string& out, const std::string& text) {
    // A JSON text is UTF-8, whatever the panel or the form sent.
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::string converted = ascii ? std::string() : valid_utf8(text);
    const std::string& valid = ascii ? text : converted;
    out += '"';
    std::size_t plain = 0; // the start of the run of bytes written as they are
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(valid[i]);
        if (c != '"' && c != '\\' && c >= 0x20 && c != 0x7f) continue;
        out.append(valid, plain, i - plain);
        plain = i + 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        }
    }
    out.append(valid, plain, std::string::npos);
    return out += '"';
}

std::string json_string(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    return append_json_string(out, text);
}

} // namespace quon::host
