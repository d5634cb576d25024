#include "svg_writer.h"

#include <cctype>
#include <sstream>

namespace {

const int margin = 20, gap = 12, width = 1036;
const char* font = "font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\"";

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

std::string text(int x, int y, int size, const std::string& fill, const std::string& body,
                 const char* anchor = "middle", const char* weight = "normal") {
    std::ostringstream o;
    o << "<text x=\"" << x << "\" y=\"" << y << "\" font-size=\"" << size << "\" fill=\"" << fill
      << "\" text-anchor=\"" << anchor << "\" font-weight=\"" << weight << "\">" << xml_escape(body) << "</text>\n";
    return o.str();
}

// A long text shortened to fit a box of the given width at the given size.
std::string fit(const std::string& s, int boxWidth, int size) {
    const std::size_t most = static_cast<std::size_t>(boxWidth * 10 / (size * 6));
    return s.size() <= most || most < 2 ? s : s.substr(0, most - 1) + "~";
}

void monitors(std::ostringstream& o, const page_model& page, const std::string& panel, int top) {
    const int w = (width - 2 * margin - 3 * gap) / 4, h = w * 9 / 16;
    for (int n = 1; n <= 16; ++n) {
        const int x = margin + ((n - 1) % 4) * (w + gap), y = top + ((n - 1) / 4) * (h + gap);
        const std::string id = "Mon_" + std::to_string(n);
        const auto pixmap = page.value(panel, id, "pixmap");
        o << "<g>\n";
        if (!pixmap) {
            o << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << w << "\" height=\"" << h
              << "\" rx=\"6\" fill=\"#10151c\" stroke=\"#3a4452\" stroke-dasharray=\"6 4\"/>\n";
            o << text(x + w / 2, y + h / 2 + 5, 14, "#6b7684", "no picture set");
        } else if (lower(base_name(*pixmap)).find("parked") != std::string::npos) {
            o << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << w << "\" height=\"" << h
              << "\" rx=\"6\" fill=\"url(#parked)\" stroke=\"#9aa3ad\" stroke-width=\"2\"/>\n";
            o << "<rect x=\"" << x + w / 2 - 56 << "\" y=\"" << y + h / 2 - 22 << "\" width=\"112\" height=\"30\" "
              << "rx=\"4\" fill=\"#2b2f35\" opacity=\"0.9\"/>\n";
            o << text(x + w / 2, y + h / 2 - 1, 18, "#e8e8e8", "PARKED", "middle", "bold");
            o << text(x + w / 2, y + h - 12, 12, "#2b2f35", fit(*pixmap, w, 12));
        } else {
            const int hue = hue_of(*pixmap);
            o << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << w << "\" height=\"" << h
              << "\" rx=\"6\" fill=\"hsl(" << hue << ",45%,26%)\" stroke=\"hsl(" << hue
              << ",55%,55%)\" stroke-width=\"2\"/>\n";
            std::string stem = base_name(*pixmap);
            stem = stem.substr(0, stem.find_last_of('.'));
            o << text(x + w / 2, y + h / 2 + 4, 26, "#ffffff", pixmap->empty() ? "(empty name)" : fit(stem, w, 26),
                      "middle", "bold");
            o << text(x + w / 2, y + h - 12, 12, "#d7dde5", fit(*pixmap, w, 12));
        }
        o << "<rect x=\"" << x + 4 << "\" y=\"" << y + 4 << "\" width=\"" << 10 + 7 * id.size()
          << "\" height=\"18\" rx=\"4\" fill=\"#0d1117\" opacity=\"0.75\"/>\n";
        o << text(x + 9, y + 17, 12, "#e6edf3", id, "start") << "</g>\n";
    }
}

// Fill and outline of a tally, and whether it is lit.
void tally(std::ostringstream& o, int x, int y, int w, int h, const std::optional<std::string>& colour) {
    const bool valid = colour && is_colour(*colour);
    const bool lit = valid && lower(*colour) != "#000000" && lower(*colour) != "#000";
    o << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << w << "\" height=\"" << h << "\" rx=\"3\" fill=\""
      << (valid ? xml_escape(*colour) : "none") << "\" stroke=\"" << (lit ? "#ffd0d0" : "#4a5563")
      << "\" stroke-width=\"" << (lit ? 2 : 1) << "\"" << (valid ? "" : " stroke-dasharray=\"3 2\"") << "/>\n";
}

void displays(std::ostringstream& o, const page_model& page, const std::string& panel, int top) {
    const int w = (width - 2 * margin - 3 * gap) / 4, h = 36, t = 20;
    for (int n = 1; n <= 12; ++n) {
        const int x = margin + ((n - 1) % 4) * (w + gap), y = top + ((n - 1) / 4) * (h + gap + 14);
        const std::string num = std::to_string(n);
        o << text(x, y - 4, 11, "#8b949e", "UMD_" + num, "start");
        tally(o, x, y, t, h, page.value(panel, "UMDL_" + num, "colour.background"));
        tally(o, x + w - t, y, t, h, page.value(panel, "UMDR_" + num, "colour.background"));
        const auto umd = page.value(panel, "UMD_" + num, "text");
        o << "<rect x=\"" << x + t + 3 << "\" y=\"" << y << "\" width=\"" << w - 2 * t - 6 << "\" height=\"" << h
          << "\" fill=\"#000000\" stroke=\"#30363d\"/>\n";
        // Long texts get a smaller size before they are shortened.
        const int room = w - 2 * t - 10;
        int size = 16;
        while (umd && size > 11 && umd->size() * static_cast<std::size_t>(size * 6) > static_cast<std::size_t>(room * 10))
            --size;
        o << text(x + w / 2, y + h / 2 + 6, size, umd ? "#f0f0f0" : "#6b7684", umd ? fit(*umd, room, size) : "(no text)");
    }
}

void lamps(std::ostringstream& o, const page_model& page, const std::string& panel, int top) {
    const int w = (width - 2 * margin - 7 * gap) / 8, h = 44;
    for (int n = 1; n <= 16; ++n) {
        const int x = margin + ((n - 1) % 8) * (w + gap), y = top + ((n - 1) / 8) * (h + gap);
        const std::string id = "GPI_" + std::to_string(n);
        const auto bg = page.value(panel, id, "colour.background"), fg = page.value(panel, id, "colour.text");
        const bool set = bg && is_colour(*bg);
        o << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << w << "\" height=\"" << h << "\" rx=\"10\" fill=\""
          << (set ? xml_escape(*bg) : "none") << "\" stroke=\"#4a5563\"" << (set ? "" : " stroke-dasharray=\"5 3\"")
          << "/>\n";
        o << text(x + w / 2, y + h / 2 + 5, 15, fg && is_colour(*fg) ? xml_escape(*fg) : "#8b949e",
                  set ? "GPI " + std::to_string(n) : "GPI " + std::to_string(n) + " ?", "middle", "bold");
    }
}

} // namespace

std::string xml_escape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // XML 1.0 allows no control characters but tab, line feed and return.
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') out += '?';
            else out += static_cast<char>(c);
        }
    }
    return out;
}

bool is_colour(const std::string& s) {
    if (s.size() != 7 && s.size() != 4) return false;
    if (s[0] != '#') return false;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

std::string render_page_svg(const page_model& page, const std::string& panel) {
    const int monitorTop = 74, monitorW = (width - 2 * margin - 3 * gap) / 4;
    const int displayTop = monitorTop + 4 * (monitorW * 9 / 16 + gap) + 40;
    const int lampTop = displayTop + 3 * (36 + gap + 14) + 26;
    const int height = lampTop + 2 * (44 + gap) + 30;
    std::string file;
    for (const auto& shown : page.shown())
        if (shown.first == panel) file = shown.second;
    std::ostringstream o;
    o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
      << "\" viewBox=\"0 0 " << width << " " << height << "\" " << font << ">\n"
      << "<defs><pattern id=\"parked\" width=\"14\" height=\"14\" patternUnits=\"userSpaceOnUse\" "
      << "patternTransform=\"rotate(45)\"><rect width=\"14\" height=\"14\" fill=\"#8d949c\"/>"
      << "<rect width=\"7\" height=\"14\" fill=\"#b4bac1\"/></pattern></defs>\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"#0d1117\"/>\n"
      << text(margin, 34, 22, "#f0f6fc", "Panel " + panel, "start", "bold")
      << text(margin + 110, 34, 14, "#8b949e", file.empty() ? "(not shown with PS)" : file, "start")
      << text(margin, monitorTop - 10, 13, "#8b949e", "MONITORS (router destinations 1-16)", "start");
    monitors(o, page, panel, monitorTop);
    o << text(margin, displayTop - 22, 13, "#8b949e", "UNDER-MONITOR DISPLAYS (left and right tally at the sides)",
              "start");
    displays(o, page, panel, displayTop);
    o << text(margin, lampTop - 10, 13, "#8b949e", "GPI LAMPS", "start");
    lamps(o, page, panel, lampTop);
    o << "</svg>\n";
    return o.str();
}
