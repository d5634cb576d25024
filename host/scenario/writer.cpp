// Writing steps back as scenario lines, in one canonical form that the
// parser reads back to the same step: what serve sends over its pipe and
// what a recording holds.
#include "scenario/format.h"

#include "base/utf8_text.h"

#include <type_traits>

namespace quon::host {

namespace {

std::string n(std::int32_t v) { return std::to_string(v); }

// The fields after the keyword, each before a space.
std::string fields_of(const step_action& action) {
    return std::visit(
        [](const auto& s) -> std::string {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, route_step>)
                return n(s.destination) + " " + (s.source == 0 ? std::string("park") : n(s.source));
            else if constexpr (std::is_same_v<T, gpi_step>) return n(s.input) + (s.on ? " on" : " off");
            else if constexpr (std::is_same_v<T, umd_step>) return n(s.display) + " " + quote_step_text(s.text);
            else if constexpr (std::is_same_v<T, tally_step>) return n(s.display) + " " + s.state;
            else if constexpr (std::is_same_v<T, info_step>) return n(s.slot) + " " + quote_step_text(s.text);
            else if constexpr (std::is_same_v<T, source_step>) return n(s.source) + " " + quote_step_text(s.picture);
            else if constexpr (std::is_same_v<T, property_step>) return quote_step_text(s.message);
            else if constexpr (std::is_same_v<T, button_step>)
                return s.panel + " " + s.control + " " + quote_step_text(s.event);
            else if constexpr (std::is_same_v<T, timer_step>) return n(s.id);
            else if constexpr (std::is_same_v<T, wait_step>) return n(s.ms);
            else if constexpr (std::is_same_v<T, say_step>) return quote_step_text(s.text);
            else if constexpr (std::is_same_v<T, expect_property_step>)
                return (s.panel.empty() ? "" : s.panel + "/") + s.control + " " + s.property + " " +
                       quote_step_text(s.value);
            else if constexpr (std::is_same_v<T, expect_answer_step>)
                return s.answer ? quote_step_text(*s.answer) : "null";
            else if constexpr (std::is_same_v<T, expect_debug_step>) return quote_step_text(s.text);
            else if constexpr (std::is_same_v<T, snapshot_step>) return s.file;
            else if constexpr (std::is_same_v<T, devices_step>) return quote_step_text(s.file);
            else if constexpr (std::is_same_v<T, expect_commands_step>) return s.lines.empty() ? "none" : "";
            else if constexpr (std::is_same_v<T, start_step> || std::is_same_v<T, stop_step> ||
                               std::is_same_v<T, restart_step>)
                return s.script;
            else if constexpr (std::is_same_v<T, script_step>) return s.name;
            else return "";
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
    const std::string fields = fields_of(action);
    std::string line = step_name(action);
    if (fields.empty()) return line;
    line.reserve(line.size() + 1 + fields.size());
    return line.append(" ").append(fields);
}

} // namespace quon::host
