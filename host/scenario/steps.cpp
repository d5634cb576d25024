// The parsing function of each kind of step, and the table that names them.
#include "scenario/fields.h"

#include "base/decimal_number.h"
#include "devices/declared_commands.h"
#include "devices/file.h"

#include <type_traits>

namespace quon::host {

namespace {

// An optional script name, then nothing.
bool parse_script_name(step_fields& f, std::string& name) {
    return (f.rest().empty() || f.word("SCRIPT", name)) && f.end();
}

bool parse_start(step_fields& f, step_action& out) {
    start_step s;
    if (!parse_script_name(f, s.script)) return false;
    out = s;
    return true;
}

bool parse_stop(step_fields& f, step_action& out) {
    stop_step s;
    if (!parse_script_name(f, s.script)) return false;
    out = s;
    return true;
}

bool parse_restart(step_fields& f, step_action& out) {
    restart_step s;
    if (!parse_script_name(f, s.script)) return false;
    out = s;
    return true;
}

bool parse_script(step_fields& f, step_action& out) {
    script_step s;
    if (!f.word("NAME", s.name) || !f.end()) return false;
    out = s;
    return true;
}

bool parse_abandon(step_fields& f, step_action& out) {
    out = abandon_step{};
    return f.end();
}

bool parse_reloaded(step_fields& f, step_action& out) {
    out = reloaded_step{};
    return f.end();
}

bool parse_route(step_fields& f, step_action& out) {
    route_step s;
    std::string source;
    if (!f.number("DESTINATION", s.destination) || !f.word("SOURCE", source) || !f.end()) return false;
    if (source != "park" && !f.number_of("SOURCE", source, s.source)) return false;
    out = s;
    return true;
}

bool parse_gpi(step_fields& f, step_action& out) {
    gpi_step s;
    std::string state;
    if (!f.number("INPUT", s.input) || !f.word("STATE", state) || !f.end()) return false;
    if (!read_gpi_state(state, s.on, f.why)) return false;
    out = s;
    return true;
}

bool parse_umd(step_fields& f, step_action& out) {
    umd_step s;
    if (!f.number("DISPLAY", s.display) || !f.text("TEXT", s.text)) return false;
    out = s;
    return true;
}

bool parse_tally(step_fields& f, step_action& out) {
    tally_step s;
    if (!f.number("DISPLAY", s.display) || !f.word("STATE", s.state) || !f.end()) return false;
    out = s;
    return true;
}

bool parse_info(step_fields& f, step_action& out) {
    info_step s;
    if (!f.number("SLOT", s.slot) || !f.text("TEXT", s.text)) return false;
    out = s;
    return true;
}

bool parse_source(step_fields& f, step_action& out) {
    source_step s;
    if (!f.number("SOURCE", s.source) || !f.text("PICTURE", s.picture)) return false;
    out = s;
    return true;
}

bool parse_property(step_fields& f, step_action& out) {
    property_step s;
    if (!f.text("MESSAGE", s.message)) return false;
    out = s;
    return true;
}

bool parse_button(step_fields& f, step_action& out) {
    button_step s;
    if (!f.word("PANEL", s.panel) || !f.word("CONTROL", s.control) || !f.text("EVENT", s.event)) return false;
    out = s;
    return true;
}

bool parse_timer(step_fields& f, step_action& out) {
    timer_step s;
    if (!f.number("ID", s.id) || !f.end()) return false;
    out = s;
    return true;
}

// At most one day of virtual time a step, as a timer's period.
bool parse_wait(step_fields& f, step_action& out) {
    wait_step s;
    std::string w;
    std::int64_t ms = 0;
    if (!f.word("MS", w) || !f.end()) return false;
    if (!read_decimal(w, 0, maxTimerPeriodMs, ms, f.why)) {
        f.why = "MS " + f.why + " (milliseconds of virtual time, up to one day)";
        return false;
    }
    s.ms = static_cast<std::int32_t>(ms);
    out = s;
    return true;
}

bool parse_say(step_fields& f, step_action& out) {
    say_step s;
    if (!f.text("TEXT", s.text)) return false;
    out = s;
    return true;
}

bool parse_expect_commands(step_fields& f, step_action& out) {
    out = expect_commands_step{};
    if (f.rest().empty()) {
        f.opensBlock = true;
        return true;
    }
    if (f.rest() == "none") return true;
    f.why = "expect-commands takes \"none\" or a block";
    return false;
}

bool parse_expect_property(step_fields& f, step_action& out) {
    expect_property_step s;
    if (!f.word("CONTROL", s.control) || !f.word("PROPERTY", s.property) || !f.text("VALUE", s.value)) return false;
    const std::size_t slash = s.control.find('/');
    if (slash != std::string::npos) {
        s.panel = s.control.substr(0, slash);
        s.control.erase(0, slash + 1);
        if (s.panel.empty() || s.control.empty()) {
            f.why = "PANEL/CONTROL needs both names";
            return false;
        }
    }
    out = s;
    return true;
}

bool parse_expect_answer(step_fields& f, step_action& out) {
    expect_answer_step s;
    if (f.rest() == "null") { // a text "null" is written between quotes
        out = s;
        return true;
    }
    std::string text;
    if (!f.text("ANSWER", text)) return false;
    s.answer = text;
    out = s;
    return true;
}

bool parse_expect_debug(step_fields& f, step_action& out) {
    expect_debug_step s;
    if (!f.text("TEXT", s.text)) return false;
    out = s;
    return true;
}

// The name stays inside the output directory: relative, no "..", no drive.
bool parse_snapshot(step_fields& f, step_action& out) {
    snapshot_step s;
    if (!f.word("FILE", s.file) || !f.end()) return false;
    std::string component;
    bool escapes = s.file.front() == '/' || s.file.front() == '\\' || s.file.find(':') != std::string::npos;
    for (std::size_t i = 0; i <= s.file.size() && !escapes; ++i) {
        if (i == s.file.size() || s.file[i] == '/' || s.file[i] == '\\') {
            escapes = component == "..";
            component.clear();
        } else {
            component += s.file[i];
        }
    }
    if (escapes) {
        f.why = "snapshot " + s.file + " leaves the output directory (write a relative name without \"..\")";
        return false;
    }
    out = s;
    return true;
}

bool parse_devices_step(step_fields& f, step_action& out) {
    devices_step s;
    if (!f.text("FILE", s.file)) return false;
    out = s;
    return true;
}

} // namespace

const step_syntax stepSyntax[] = {
    {"start", "start [SCRIPT]", parse_start},
    {"stop", "stop [SCRIPT]", parse_stop},
    {"route", "route DESTINATION SOURCE|park", parse_route},
    {"gpi", "gpi INPUT on|off", parse_gpi},
    {"umd", "umd DISPLAY TEXT", parse_umd},
    {"tally", "tally DISPLAY STATE", parse_tally},
    {"info", "info SLOT TEXT", parse_info},
    {"source", "source SOURCE PICTURE", parse_source},
    {"property", "property MESSAGE", parse_property},
    {"button", "button PANEL CONTROL EVENT[=VALUE]", parse_button},
    {"timer", "timer ID", parse_timer},
    {"say", "say TEXT", parse_say},
    {"expect-commands", "expect-commands [none], then one command per line and \"end\"", parse_expect_commands},
    {"expect-property", "expect-property [PANEL/]CONTROL PROPERTY VALUE", parse_expect_property},
    {"expect-answer", "expect-answer TEXT|null", parse_expect_answer},
    {"expect-debug", "expect-debug TEXT", parse_expect_debug},
    {"snapshot", "snapshot FILE.svg", parse_snapshot},
    {"devices", "devices FILE", parse_devices_step},
    {"wait", "wait MS", parse_wait},
    {"abandon", "abandon", parse_abandon},
    {"reloaded", "reloaded", parse_reloaded},
    {"script", "script NAME", parse_script},
    {"restart", "restart [SCRIPT]", parse_restart},
};
static_assert(std::extent_v<decltype(stepSyntax)> == std::variant_size_v<step_action>,
              "one syntax per kind of step, in the variant's order");

} // namespace quon::host
