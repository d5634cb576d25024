#include "picture/page_layout.h"

#include "base/definition_lines.h"
#include "base/input_file.h"

namespace quon::host {

namespace {

constexpr int maxCoordinate = 100000;
constexpr std::size_t maxIds = 10000;

bool kind_of(const std::string& word, control_kind& out) {
    static const std::pair<const char*, control_kind> kinds[] = {
        {"box", control_kind::box},   {"picture", control_kind::picture}, {"display", control_kind::display},
        {"lamp", control_kind::lamp}, {"tally", control_kind::tally},
    };
    for (const auto& [name, kind] : kinds)
        if (word == name) {
            out = kind;
            return true;
        }
    return false;
}

// "Mon_{1..16}" gives Mon_1 to Mon_16; a pattern without braces is one id.
bool expand_pattern(const std::string& pattern, std::vector<std::string>& ids, declaration_budget& budget,
                    std::string& why) {
    const std::size_t open = pattern.find('{'), close = pattern.find('}');
    if (open == std::string::npos && close == std::string::npos) {
        ids.push_back(pattern);
        return budget.take_entry(pattern, why);
    }
    std::int32_t first = 0, last = 0;
    // One range and no other brace, so that every id reads back as written.
    if (open == std::string::npos || close == std::string::npos || close < open ||
        pattern.find_first_of("{}", close + 1) != std::string::npos ||
        !parse_range(pattern.substr(open + 1, close - open - 1), first, last) ||
        static_cast<long long>(last) - first >= static_cast<long long>(maxIds)) {
        why = "pattern \"" + pattern + "\" is not ID or PREFIX{FIRST..LAST}SUFFIX (at most " + std::to_string(maxIds) +
              " ids)";
        return false;
    }
    for (std::int32_t n = first; n <= last; ++n) {
        ids.push_back(pattern.substr(0, open) + std::to_string(n) + pattern.substr(close + 1));
        if (!budget.take_entry(ids.back(), why)) return false;
    }
    return true;
}

bool coordinate(const std::map<std::string, std::string>& fields, const std::string& key, bool required, int& out,
                std::string& why) {
    return number_field(fields, key, -maxCoordinate, maxCoordinate, required, out, why);
}

bool place_line(const definition_line& line, page_layout& out, declaration_budget& budget, std::string& why) {
    layout_place p;
    std::map<std::string, std::string> fields;
    if (line.words.size() < 3 || !kind_of(line.words[2], p.kind)) {
        why = "usage: place PATTERN box|picture|display|lamp|tally x=X y=Y w=W h=H [columns=C dx=DX dy=DY] "
              "[hatch=TEXT] [panel=NAME]";
        return false;
    }
    p.pattern = line.words[1];
    if (!expand_pattern(p.pattern, p.ids, budget, why) ||
        !parse_fields(line, 3, {"x", "y", "w", "h", "columns", "dx", "dy", "hatch", "panel"}, fields, why))
        return false;
    if (!coordinate(fields, "x", true, p.first.x, why) || !coordinate(fields, "y", true, p.first.y, why) ||
        !coordinate(fields, "w", true, p.first.w, why) || !coordinate(fields, "h", true, p.first.h, why) ||
        !coordinate(fields, "columns", false, p.columns, why) || !coordinate(fields, "dx", false, p.dx, why) ||
        !coordinate(fields, "dy", false, p.dy, why))
        return false;
    if (p.columns < 1 || p.first.w < 1 || p.first.h < 1) {
        why = "columns=, w= and h= must be at least 1";
        return false;
    }
    p.hatch = fields["hatch"];
    p.panel = fields["panel"];
    out.places.push_back(p);
    return true;
}

} // namespace

std::optional<page_layout::placement> page_layout::find(const std::string& panel, const std::string& id) const {
    for (const layout_place& p : places) {
        if (!p.panel.empty() && p.panel != panel) continue;
        for (std::size_t n = 0; n < p.ids.size(); ++n) {
            if (p.ids[n] != id) continue;
            placement where;
            where.box = p.box_at(n);
            where.place = &p;
            return where;
        }
    }
    return std::nullopt;
}

bool parse_layout(const std::string& text, const std::string& file, page_layout& out, std::string& error,
                  declaration_budget* budget) {
    declaration_budget own;
    declaration_budget& left = budget ? *budget : own;
    out = page_layout{};
    return read_definition_lines(
        text, file,
        [&](const definition_line& line, std::string& why) {
            const std::string& what = line.words[0];
            std::int32_t a = 0, b = 0;
            if (what == "canvas") {
                if (line.words.size() != 3 || !parse_number(line.words[1], a) || !parse_number(line.words[2], b) ||
                    a < 1 || b < 1 || a > maxCoordinate || b > maxCoordinate) {
                    why = "usage: canvas WIDTH HEIGHT (1 to " + std::to_string(maxCoordinate) + ")";
                    return false;
                }
                out.width = a;
                out.height = b;
                return true;
            }
            if (what == "label") {
                if (line.words.size() < 4 || !parse_number(line.words[1], a) || !parse_number(line.words[2], b)) {
                    why = "usage: label X Y TEXT";
                    return false;
                }
                out.labels.push_back({a, b, line.rest(3)});
                return left.take_entry(out.labels.back().text, why);
            }
            if (what == "place") return place_line(line, out, left, why);
            why = "unknown item \"" + what + "\" (canvas, label or place)";
            return false;
        },
        error);
}

load_result read_layout_file(const std::string& path, page_layout& out, std::string& error,
                             declaration_budget* budget) {
    return read_input_file(path, "layout", maxLayoutBytes, error,
                           [&](const std::string& text) { return parse_layout(text, path, out, error, budget); });
}

} // namespace quon::host
