// scenario (format.h): a script of steps for this host, read from a line-based text
// file: device changes, events for the panel, expectations and snapshots.
// One step per line, "#" starts a comment line; docs/formats.md has the format.
// Each kind of step is its own type with named fields.
#ifndef HOST_SCENARIO_FORMAT_H
#define HOST_SCENARIO_FORMAT_H

#include "base/input_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quon::host {

// Several scripts (a studio): "start"/"stop" every one in order, or the one named.
struct start_step {
    std::string script; // empty: every script
};
struct stop_step {
    std::string script; // empty: every script
};
// serve's restart, played in this one process: the panel destroyed through
// slot 0 if it runs, then created anew from a fresh copy of its library, so
// that the library's globals start new, as in serve's new process ("restart"
// every script in order, or the one named).
struct restart_step {
    std::string script; // empty: every script
};
// The steps after it, events and expectations alike, go to this script.
struct script_step {
    std::string name;
};
// The panel is left as it is, never destroyed: where a recording was made,
// its process ended (a crash, a hang, a destructor that never returned).
struct abandon_step {};
// A rebuilt library took the panel's place here (serve --watch): a replay,
// with the one library it is given, counts only the expectations after the
// last of these; those before it were the earlier builds'.
struct reloaded_step {};
struct route_step {
    std::int32_t destination = 0;
    std::int32_t source = 0; // 0: parked, nothing routed
};
struct gpi_step {
    std::int32_t input = 0;
    bool on = false;
};
struct umd_step {
    std::int32_t display = 0;
    std::string text;
};
struct tally_step {
    std::int32_t display = 0;
    std::string state; // sent as the slot's text, unchecked: a bad state is a test case too
};
struct info_step {
    std::int32_t slot = 0;
    std::string text;
};
struct source_step {
    std::int32_t source = 0;
    std::string picture;
};
struct property_step {
    std::string message;
};
struct button_step {
    std::string panel, control;
    std::string event; // "name" or "name=value"
};
struct timer_step {
    std::int32_t id = 0;
};
struct wait_step {
    std::int32_t ms = 0; // virtual time: the due ticks of the host's timers, no real sleeping
};
struct say_step {
    std::string text;
};
struct expect_commands_step {
    std::vector<std::string> lines; // expected texts, "..." for any run; empty: none
};
struct expect_property_step {
    std::string panel; // empty: the panel shown first
    std::string control, property, value;
};
struct expect_answer_step {
    std::optional<std::string> answer; // nullopt: the answer must be null
};
struct expect_debug_step {
    std::string text; // a debugger text, whole, without its line end
};
struct snapshot_step {
    std::string file; // relative to the output directory, never leaving it
};
struct devices_step {
    std::string file; // as written, then made relative to the scenario's folder when not absolute
};

using step_action = std::variant<start_step, stop_step, route_step, gpi_step, umd_step, tally_step, info_step,
                                 source_step, property_step, button_step, timer_step, say_step, expect_commands_step,
                                 expect_property_step, expect_answer_step, expect_debug_step, snapshot_step,
                                 devices_step, wait_step, abandon_step, reloaded_step, script_step, restart_step>;

struct scenario_step {
    std::string where;  // "file:line"
    std::string source; // the step's line as written
    step_action action;
};

struct scenario {
    std::vector<scenario_step> steps;
    // True when a "start" step naming no script exists; otherwise the
    // scripts start before the first step that is not a "devices" step.
    bool explicitStart = false;
};

// Limits that keep a wrong file (a device, a binary) from exhausting memory.
constexpr std::size_t maxScenarioBytes = 16u << 20;
constexpr std::size_t maxScenarioLineBytes = 1u << 20;

// Reads scenario text; `file` names it in messages. On a syntax error returns
// false with "file:line: why" in error. A UTF-8 byte-order mark is skipped.
bool parse_scenario(const std::string& text, const std::string& file, scenario& out, std::string& error);

load_result load_scenario(const std::string& path, scenario& out, std::string& error);

// Reads one step line (no expect-commands block); `where` names it in `why`.
bool parse_step_line(const std::string& line, const std::string& where, scenario_step& out, std::string& why);

// A step as one line in the canonical form, which parse_step_line reads
// back to the same step (an expect-commands block's lines aside).
std::string write_step(const step_action& action);
// A text as a step writes it: always between double quotes, with the quote
// and the backslash escaped by a backslash, and whatever printable() escapes
// as it does (\n, \t, \xNN).
std::string quote_step_text(const std::string& text);

const char* step_name(const step_action& action);
// Steps that change nothing and only check or record ("script" only picks
// the script the next steps go to).
bool is_check(const step_action& action);
// The script a step names ("script", "start NAME", "stop NAME", "restart NAME"), or null.
const std::string* named_script(const step_action& action);

} // namespace quon::host

#endif
