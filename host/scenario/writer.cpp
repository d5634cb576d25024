// Writing steps back as scenario lines, in one canonical form that the
// parser reads back to the same step: what serve sends over its pipe and
// what a recording holds.
#include "scenario/format.h"

#include "base/utf8_text.h"

#include <charconv>
#include <type_traits>

namespace quon::host {

namespace {

// Appends a number, or a text as quote_step_text writes it.
void put(std::string& out, std::int32_t v) {
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, v).ptr);
}
void put_quoted(std::string& out, const std::string& text) { out += quote_step_text(text); }

// The fields after the keyword, each after a space, appended to `out`: one
// string grows, no field is a string of its own (a soak writes a step per event).
void append_fields(const step_action& action, std::string& out) {
    std::visit(
        [&out](const auto& s) {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, route_step>) {
                out += ' ', put(out, s.destination), out += ' ';
                s.source == 0 ? void(out += "park") : put(out, s.source);
            } else if constexpr (std::is_same_v<T, gpi_step>) {
                out += ' ', put(out, s.input), out += s.on ? " on" : " off";
            } else if constexpr (std::is_same_v<T, umd_step>) {
                out += ' ', put(out, s.display), out += ' ', put_quoted(out, s.text);
            } else if constexpr (std::is_same_v<T, tally_step>) {
                out += ' ', put(out, s.display), out += ' ', out += s.state;
            } else if constexpr (std::is_same_v<T, info_step>) {
                out += ' ', put(out, s.slot), out += ' ', put_quoted(out, s.text);
            } else if constexpr (std::is_same_v<T, source_step>) {
                out += ' ', put(out, s.source), out += ' ', put_quoted(out, s.picture);
            } else if constexpr (std::is_same_v<T, property_step>) {
                out += ' ', put_quoted(out, s.message);
            } else if constexpr (std::is_same_v<T, button_step>) {
                out += ' ', out += s.panel, out += ' ', out += s.control, out += ' ', put_quoted(out, s.event);
            } else if constexpr (std::is_same_v<T, timer_step>) {
                out += ' ', put(out, s.id);
            } else if constexpr (std::is_same_v<T, wait_step>) {
                out += ' ', put(out, s.ms);
            } else if constexpr (std::is_same_v<T, say_step>) {
                out += ' ', put_quoted(out, s.text);
            } else if constexpr (std::is_same_v<T, expect_property_step>) {
                out += ' ', out += s.panel.empty() ? "" : s.panel + "/", out += s.control, out += ' ',
                    out += s.property, out += ' ', put_quoted(out, s.value);
            } else if constexpr (std::is_same_v<T, expect_answer_step>) {
                out += ' ';
                s.answer ? put_quoted(out, *s.answer) : void(out += "null");
            } else if constexpr (std::is_same_v<T, expect_debug_step>) {
                out += ' ', put_quoted(out, s.text);
            } else if constexpr (std::is_same_v<T, snapshot_step>) {
                if (!s.file.empty()) out += ' ', out += s.file;
            } else if constexpr (std::is_same_v<T, devices_step>) {
                out += ' ', put_quoted(out, s.file);
            } else if constexpr (std::is_same_v<T, expect_commands_step>) {
                if (s.lines.empty()) out += " none";
            } else if constexpr (std::is_same_v<T, start_step> || std::is_same_v<T, stop_step> ||
                                 std::is_same_v<T, restart_step>) {
                if (!s.script.empty()) out += ' ', out += s.script;
            } else if constexpr (std::is_same_v<T, script_step>) {
                if (!s.name.empty()) out += ' ', out += s.name;
            }
        },
        action);
}

} // namespace

std::string quote_step_text(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    // The rest as panel_host prints any panel text: \n, \t and \xNN, which the parser reads back.
    return "\"" + printable(quoted) + "\"";
}

std::string write_step(const step_action& action) {
    std::string line;
    line.reserve(32);
    line += step_name(action);
    append_fields(action, line);
    return line;
}

} // namespace quon::host
