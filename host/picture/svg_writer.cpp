#include "picture/svg_writer.h"

#include "picture/svg_shapes.h"
#include "base/utf8_text.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace quon::host {

namespace {

const int margin = 20, gap = 12, minWidth = 1036, titleHeight = 60, gridColumns = 4;
const char* font = "font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\"";

// Natural order: digit runs compare as numbers, so Mon_2 comes before Mon_10.
bool natural_less(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])),
                   db = std::isdigit(static_cast<unsigned char>(b[j]));
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            std::size_t si = i, sj = j; // skip leading zeros
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            const int c = a.compare(si, ei - si, b, sj, ej - sj);
            if (c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// Panels in the order they were shown, then any others written to.
std::vector<std::string> panel_order(const page_model& page) {
    std::vector<std::string> order;
    for (const auto& shown : page.shown())
        if (std::find(order.begin(), order.end(), shown.first) == order.end()) order.push_back(shown.first);
    std::vector<std::string> others;
    for (const auto& p : page.panels())
        if (std::find(order.begin(), order.end(), p.first) == order.end()) others.push_back(p.first);
    std::sort(others.begin(), others.end(), natural_less);
    order.insert(order.end(), others.begin(), others.end());
    return order;
}

bool layout_serves(const page_layout* layout, const std::string& panel) {
    if (!layout) return false;
    for (const layout_place& p : layout->places)
        if (p.panel.empty() || p.panel == panel) return true;
    return false;
}

// A page being drawn: the text so far and the groups cut out of it.
struct page_drawing {
    svg_out text;
    page_picture& out;
    std::vector<drawn_control>* drawn;

    void control(drawn_control c) {
        out.around.push_back(text.take());
        out.controls.push_back(draw_control_group(c));
        if (drawn) drawn->push_back(std::move(c));
    }
};

// Draws one panel with its top at `top`; gives its height.
int draw_panel(page_drawing& d, const page_model& page, const page_layout* layout, const std::string& panel, int top,
               int width) {
    static const page_model::controls none;
    svg_out& o = d.text;
    auto found = page.panels().find(panel);
    const auto& controls = found == page.panels().end() ? none : found->second;
    std::string file = "(not shown with PS)";
    for (const auto& shown : page.shown())
        if (shown.first == panel) file = shown.second;

    o << "<g data-panel=\"" << escaped{panel} << "\" transform=\"translate(0," << top << ")\">\n";
    svg_text(o, margin, 34, 22, "#f0f6fc", svg_fit("Panel " + panel, 300, 22), "start", "bold");
    svg_text(o, margin + 20 + 13 * static_cast<int>(std::min<std::size_t>(utf8_length(valid_utf8(panel)), 20)) + 90, 34,
             14, "#8b949e", svg_fit(file, width - 200, 14), "start");
    int y = titleHeight;
    std::set<std::string> placed;
    if (layout_serves(layout, panel)) {
        for (const layout_label& l : layout->labels) svg_text(o, l.x, l.y, 13, "#8b949e", l.text, "start");
        for (const layout_place& p : layout->places) {
            if (!p.panel.empty() && p.panel != panel) continue;
            for (std::size_t n = 0; n < p.ids.size(); ++n) {
                const std::string& id = p.ids[n];
                if (!placed.insert(id).second) continue; // the first place of an id wins
                // A control the script never wrote to is not on its page (a
                // studio's shared layout places the other scripts' controls).
                auto c = controls.find(id);
                if (c != controls.end()) d.control({&c->second, id, p.kind, p.box_at(n), p.hatch, 0});
            }
        }
        y = std::max(y, layout->height);
    }
    std::vector<const page_model::controls::value_type*> rest;
    for (const auto& c : controls)
        if (!placed.count(c.first)) rest.push_back(&c);
    std::sort(rest.begin(), rest.end(), [](auto* a, auto* b) { return natural_less(a->first, b->first); });
    if (!rest.empty() && !placed.empty()) {
        y += 26;
        svg_text(o, margin, y - 10, 13, "#8b949e", "CONTROLS THE LAYOUT DOES NOT PLACE", "start");
    }
    if (controls.empty()) {
        svg_text(o, margin, y + 20, 13, "#8b949e", "(no control has a property yet)", "start");
        y += 30;
    }
    const int w = (width - 2 * margin - (gridColumns - 1) * gap) / gridColumns;
    for (std::size_t row = 0; row * gridColumns < rest.size(); ++row) {
        int rowHeight = 0;
        for (std::size_t k = row * gridColumns; k < rest.size() && k < (row + 1) * gridColumns; ++k)
            rowHeight = std::max(rowHeight, box_height(rest[k]->second.values));
        for (std::size_t k = row * gridColumns; k < rest.size() && k < (row + 1) * gridColumns; ++k) {
            const layout_box b{margin + static_cast<int>(k % gridColumns) * (w + gap), y, w, rowHeight};
            d.control({&rest[k]->second, rest[k]->first, control_kind::box, b, "", box_height(rest[k]->second.values)});
        }
        y += rowHeight + gap;
    }
    o << "</g>\n";
    return y + 20;
}

} // namespace

std::string page_picture::whole() const {
    std::size_t size = 0;
    for (const std::string& t : around) size += t.size();
    for (const std::string& t : controls) size += t.size();
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < around.size(); ++i) {
        out += around[i];
        if (i < controls.size()) out += controls[i];
    }
    return out;
}

std::string draw_control_group(const drawn_control& c) {
    svg_out o;
    draw_control(o, c.kind, c.box, c.id, c.control ? &c.control->values : nullptr, c.hatch);
    return o.take();
}

void draw_page(const page_model& page, const page_layout* layout, page_picture& out,
               std::vector<drawn_control>* drawn) {
    out = page_picture{};
    if (drawn) drawn->clear();
    page_drawing d{svg_out{}, out, drawn};
    const int width = std::max(minWidth, layout ? layout->width : 0);
    int height = 0;
    const std::vector<std::string> panels = panel_order(page);
    for (const std::string& panel : panels) height += draw_panel(d, page, layout, panel, height, width);
    if (panels.empty()) {
        svg_text(d.text, margin, 34, 16, "#8b949e", "No panel shown and no control set", "start");
        height = 60;
    }
    d.text << "</svg>\n";
    out.around.push_back(d.text.take());
    // The header needs the height, known only now.
    svg_out head;
    head << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
         << "\" viewBox=\"0 0 " << width << " " << height << "\" " << font << ">\n"
         << "<defs><pattern id=\"hatched\" width=\"14\" height=\"14\" patternUnits=\"userSpaceOnUse\" "
         << "patternTransform=\"rotate(45)\"><rect width=\"14\" height=\"14\" fill=\"#8d949c\"/>"
         << "<rect width=\"7\" height=\"14\" fill=\"#b4bac1\"/></pattern></defs>\n"
         << "<rect width=\"100%\" height=\"100%\" fill=\"#0d1117\"/>\n";
    out.around.front().insert(0, head.take());
}

std::string render_page_svg(const page_model& page, const page_layout* layout) {
    page_picture picture;
    draw_page(page, layout, picture);
    return picture.whole();
}

} // namespace quon::host
