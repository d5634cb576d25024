#include "picture/svg_shapes.h"

#include "base/utf8_text.h"

#include <algorithm>
#include <cctype>

namespace quon::host {

namespace {

// Appends valid UTF-8 text escaped, runs of plain characters at once.
void append_escaped(svg_out& out, const std::string& valid) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(valid[i]);
        const char* with;
        switch (c) {
        case '&':
            with = "&amp;";
            break;
        case '<':
            with = "&lt;";
            break;
        case '>':
            with = "&gt;";
            break;
        case '"':
            with = "&quot;";
            break;
        case '\'':
            with = "&apos;";
            break;
        default:
            // XML 1.0 allows no control characters but tab, line feed and return.
            if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') continue;
            with = "?";
        }
        out.append(valid.data() + plain, i - plain);
        out << with;
        plain = i + 1;
    }
    out.append(valid.data() + plain, valid.size() - plain);
}

} // namespace

svg_out& operator<<(svg_out& o, escaped text) {
    // valid_utf8 changes only bytes from 0x80 up: plain ASCII needs no copy.
    const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    if (std::all_of(text.raw.begin(), text.raw.end(), ascii)) append_escaped(o, text.raw);
    else append_escaped(o, valid_utf8(text.raw));
    return o;
}

std::string xml_escape(const std::string& raw) {
    svg_out o;
    o << escaped{raw};
    return o.take();
}

bool is_colour(const std::string& s) {
    if (s.size() != 7 && s.size() != 4) return false;
    if (s[0] != '#') return false;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

namespace {

const char* const boxFill = "#161b22";
const char* const muted = "#8b949e";

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string base_name(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A steady hue per picture, so that tiles showing the same source look alike.
int hue_of(const std::string& text) {
    unsigned h = 2166136261u;
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return static_cast<int>(h % 360u);
}

const std::string* property(const page_model::properties* props, const char* name) {
    if (!props) return nullptr;
    auto p = props->find(name);
    return p == props->end() ? nullptr : &p->second;
}

// A property's colour when it is one.
const std::string* colour(const page_model::properties* props, const char* name) {
    const std::string* c = property(props, name);
    return c && is_colour(*c) ? c : nullptr;
}

// Whether dark ink reads better on a colour ("#rgb" or "#rrggbb").
bool is_light(const std::string& c) {
    const bool shortForm = c.size() == 4;
    // is_colour has checked the digits; a short form's digit stands twice.
    auto digit = [&](std::size_t at) {
        const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(c[at])));
        return d <= '9' ? d - '0' : d - 'a' + 10;
    };
    auto channel = [&](std::size_t i) {
        return shortForm ? digit(1 + i) * 17 : digit(1 + 2 * i) * 16 + digit(2 + 2 * i);
    };
    return channel(0) * 299 + channel(1) * 587 + channel(2) * 114 > 140000;
}

void rect(svg_out& o, const layout_box& b, int rx, std::string_view fill, std::string_view stroke,
          std::string_view extra = "") {
    o << "<rect x=\"" << b.x << "\" y=\"" << b.y << "\" width=\"" << b.w << "\" height=\"" << b.h << "\" rx=\"" << rx
      << "\" fill=\"" << fill << "\" stroke=\"" << stroke << "\"" << extra << "/>\n";
}

void picture(svg_out& o, const layout_box& b, const std::string& id, const page_model::properties* props,
             const std::string& hatch) {
    const std::string* pixmap = property(props, "pixmap");
    const int cx = b.x + b.w / 2;
    if (!pixmap) {
        rect(o, b, 6, "#10151c", "#3a4452", " stroke-dasharray=\"6 4\"");
        svg_text(o, cx, b.y + b.h / 2 + 5, 14, "#6b7684", "no picture set");
    } else if (!hatch.empty() && lower(base_name(*pixmap)).find(lower(hatch)) != std::string::npos) {
        rect(o, b, 6, "url(#hatched)", "#9aa3ad", " stroke-width=\"2\"");
        o << "<rect x=\"" << cx - 56 << "\" y=\"" << b.y + b.h / 2 - 22
          << "\" width=\"112\" height=\"30\" rx=\"4\" fill=\"#2b2f35\" opacity=\"0.9\"/>\n";
        std::string word = hatch;
        for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        svg_text(o, cx, b.y + b.h / 2 - 1, 18, "#e8e8e8", word, "middle", "bold");
        svg_text(o, cx, b.y + b.h - 12, 12, "#2b2f35", svg_fit(*pixmap, b.w, 12));
    } else {
        const int hue = hue_of(*pixmap);
        rect(o, b, 6, "hsl(" + std::to_string(hue) + ",45%,26%)", "hsl(" + std::to_string(hue) + ",55%,55%)",
             " stroke-width=\"2\"");
        std::string stem = base_name(*pixmap);
        stem = stem.substr(0, stem.find_last_of('.'));
        svg_text(o, cx, b.y + b.h / 2 + 4, 26, "#ffffff", pixmap->empty() ? "(empty name)" : svg_fit(stem, b.w, 26),
                 "middle", "bold");
        svg_text(o, cx, b.y + b.h - 12, 12, "#d7dde5", svg_fit(*pixmap, b.w, 12));
    }
    o << "<rect x=\"" << b.x + 4 << "\" y=\"" << b.y + 4 << "\" width=\"" << 10 + 7 * utf8_length(valid_utf8(id))
      << "\" height=\"18\" rx=\"4\" fill=\"#0d1117\" opacity=\"0.75\"/>\n";
    svg_text(o, b.x + 9, b.y + 17, 12, "#e6edf3", id, "start");
}

void display(svg_out& o, const layout_box& b, const std::string& id, const page_model::properties* props) {
    const std::string* text = property(props, "text");
    svg_text(o, b.x, b.y - 4, 11, muted, id, "start");
    rect(o, b, 0, "#000000", "#30363d");
    // Long texts get a smaller size before they are shortened.
    const std::size_t length = text ? utf8_length(valid_utf8(*text)) : 0;
    const int room = b.w - 4;
    int size = 16;
    while (text && size > 11 && length * static_cast<std::size_t>(size * 6) > static_cast<std::size_t>(room * 10))
        --size;
    const std::string* fg = colour(props, "colour.text");
    svg_text(o, b.x + b.w / 2, b.y + b.h / 2 + 6, size, text ? (fg ? *fg : "#f0f0f0") : "#6b7684",
             text ? svg_fit(*text, room, size) : "(no text)");
}

void tally(svg_out& o, const layout_box& b, const page_model::properties* props) {
    const std::string* c = colour(props, "colour.background");
    const bool lit = c && lower(*c) != "#000000" && lower(*c) != "#000";
    rect(o, b, 3, c ? *c : "none", lit ? "#ffd0d0" : "#4a5563",
         std::string(" stroke-width=\"") + (lit ? "2" : "1") + "\"" + (c ? "" : " stroke-dasharray=\"3 2\""));
}

void lamp(svg_out& o, const layout_box& b, const std::string& id, const page_model::properties* props) {
    const std::string *bg = colour(props, "colour.background"), *fg = colour(props, "colour.text");
    const std::string* text = property(props, "text");
    std::string label = text ? *text : id;
    if (!text)
        for (char& c : label) c = c == '_' ? ' ' : c;
    rect(o, b, 10, bg ? *bg : "none", "#4a5563", bg ? "" : " stroke-dasharray=\"5 3\"");
    svg_text(o, b.x + b.w / 2, b.y + b.h / 2 + 5, 15, fg ? *fg : muted, svg_fit(label, b.w, 15), "middle", "bold");
}

// The default: the id, then each property as the page would show it.
void box(svg_out& o, const layout_box& b, const std::string& id, const page_model::properties* props) {
    const std::string *bg = colour(props, "colour.background"), *fg = colour(props, "colour.text");
    const std::string ink = fg ? *fg : bg && is_light(*bg) ? "#111111" : "#f0f0f0";
    rect(o, b, 6, bg ? *bg : boxFill, "#3a4452");
    svg_text(o, b.x + 8, b.y + 16, 12, bg ? ink : muted, svg_fit(id, b.w - 16, 12), "start", "bold");
    int y = b.y + 36;
    if (!props || props->empty()) svg_text(o, b.x + 8, y, 12, muted, "(nothing set)", "start");
    if (!props) return;
    for (const auto& [name, value] : *props) {
        if ((name == "colour.background" && bg) || (name == "colour.text" && fg)) continue; // shown as colours
        if (name == "text") svg_text(o, b.x + 8, y, 16, ink, svg_fit(value, b.w - 16, 16), "start", "bold");
        else if (name == "pixmap") svg_text(o, b.x + 8, y, 12, ink, svg_fit("picture " + value, b.w - 16, 12), "start");
        else svg_text(o, b.x + 8, y, 12, ink, svg_fit(name + "=" + value, b.w - 16, 12), "start");
        y += 20;
    }
}

} // namespace

void svg_text(svg_out& o, int x, int y, int size, const std::string& fill, const std::string& body, const char* anchor,
              const char* weight) {
    o << "<text x=\"" << x << "\" y=\"" << y << "\" font-size=\"" << size << "\" fill=\"" << escaped{fill}
      << "\" text-anchor=\"" << anchor << "\" font-weight=\"" << weight << "\">" << escaped{body} << "</text>\n";
}

std::string svg_fit(const std::string& text, int width, int size) {
    return utf8_shorten(valid_utf8(text), static_cast<std::size_t>(width * 10 / (size * 6)));
}

int box_height(const page_model::properties& props) {
    int lines = 0;
    for (const auto& [name, value] : props)
        if ((name != "colour.background" && name != "colour.text") || !is_colour(value)) ++lines;
    return 28 + 20 * (lines > 0 ? lines : 1);
}

void draw_control(svg_out& o, control_kind kind, const layout_box& b, const std::string& id,
                  const page_model::properties* props, const std::string& hatch) {
    o << "<g data-control=\"" << escaped{id} << "\">\n";
    switch (kind) {
    case control_kind::picture:
        picture(o, b, id, props, hatch);
        break;
    case control_kind::display:
        display(o, b, id, props);
        break;
    case control_kind::tally:
        tally(o, b, props);
        break;
    case control_kind::lamp:
        lamp(o, b, id, props);
        break;
    case control_kind::box:
        box(o, b, id, props);
        break;
    }
    o << "</g>\n";
}

} // namespace quon::host
