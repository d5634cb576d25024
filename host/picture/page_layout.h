// page_layout: an optional preview layout a panel ships for the emulator's
// picture: where its controls go and how each is drawn. Controls it does not
// place are drawn in the default grid below it. Format (one item a line,
// "#" starts a comment line; coordinates in pixels from the panel's corner,
// the panel's title taking the first 50):
//
//   canvas WIDTH HEIGHT                       the area the layout uses
//   label X Y TEXT                            a caption
//   place PATTERN KIND x=X y=Y w=W h=H [columns=C dx=DX dy=DY] [hatch=TEXT] [panel=NAME]
//
// PATTERN is a control id or ids with one range, "Mon_{1..16}"; the n-th id
// goes to column (n-1) % C, row (n-1) / C, DX and DY apart. KIND is one of
// box (every property), picture (its "pixmap"; hatched when the name holds
// the hatch text), display (its "text" on black, id above), lamp (its
// "colour.background" with its "text" or id in "colour.text"), tally (its
// "colour.background" only).
#ifndef HOST_PICTURE_PAGE_LAYOUT_H
#define HOST_PICTURE_PAGE_LAYOUT_H

#include "base/definition_lines.h"
#include "base/input_file.h"

#include <optional>
#include <string>
#include <vector>

namespace quon::host {

enum class control_kind { box, picture, display, lamp, tally };

struct layout_box {
    int x = 0, y = 0, w = 0, h = 0;
};

struct layout_place {
    std::string pattern;          // as written: "Mon_{1..16}"
    std::vector<std::string> ids; // the pattern's ids, in order
    control_kind kind = control_kind::box;
    layout_box first; // where the first id goes
    int columns = 1, dx = 0, dy = 0;
    std::string hatch; // picture: hatched when the picture name holds this
    std::string panel; // empty: every panel

    // Where the n-th id goes.
    layout_box box_at(std::size_t n) const {
        const int column = static_cast<int>(n) % columns, row = static_cast<int>(n) / columns;
        return {first.x + column * dx, first.y + row * dy, first.w, first.h};
    }
};

struct layout_label {
    int x = 0, y = 0;
    std::string text;
};

struct page_layout {
    int width = 0, height = 0;
    std::vector<layout_label> labels;
    std::vector<layout_place> places;

    // Where a control of a panel goes, and how it is drawn; nothing when the
    // layout does not place it.
    struct placement {
        layout_box box;
        const layout_place* place = nullptr;
    };
    std::optional<placement> find(const std::string& panel, const std::string& id) const;
};

constexpr std::size_t maxLayoutBytes = 1u << 20;

// Reads a layout (at most maxLayoutBytes) with read_input_file; its ids and
// labels are counted against `budget` (null: one of its own).
load_result read_layout_file(const std::string& path, page_layout& out, std::string& error,
                             declaration_budget* budget = nullptr);
// `file` names the text in "file:line: why" errors.
bool parse_layout(const std::string& text, const std::string& file, page_layout& out, std::string& error,
                  declaration_budget* budget = nullptr);

} // namespace quon::host

#endif
