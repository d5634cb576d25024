// The check that presses a panel's own controls. Random ids seldom hit a
// control a panel handles, so this one learns the panel's controls (every
// id it puts a property on, here and in the checks before) after answering
// its polls with reports, then sends each of them the events a page sends.
#include "validation/checks.h"

#include "session/step_guard.h"

#include <algorithm>

namespace quon::host {

namespace {

// The events a control sends from a real page: bare ones and name=value ones.
const char* const pageEvents[] = {"press",    "release",       "press=1", "release=0", "value=0", "value=1",
                                  "value=-1", "text=validate", "alarm=1", "state=on",  "clicked", ""};

// Reports for the indices the script polled (at most 64 per poll), twice,
// with different states, so that whatever it draws from reports is drawn.
void answer_polls(script_under_test& s) {
    const std::vector<validate_host::poll_request> polls = s.host().polls();
    for (std::int32_t state : {1, 0}) {
        for (const validate_host::poll_request& p : polls) {
            const std::int64_t first = std::max<std::int64_t>(p.first, 1);
            const std::int64_t last = std::min<std::int64_t>(p.last, first + 63);
            for (std::int64_t index = first; index <= last; ++index) {
                const auto i = static_cast<std::int32_t>(index);
                s.host().set_context("report device " + std::to_string(p.device) + " index " + std::to_string(i));
                std::unique_ptr<validate_event> e = validate_event::report(p.device, i, state, std::to_string(state));
                s.deliver(*e);
                s.host().settle();
            }
        }
    }
    s.host().set_context("");
}

// Two ticks of every timer the devices file declares, as the host gives them
// from the panel's start.
void tick_declared_timers(script_under_test& s, const device_set* declared) {
    if (!declared) return;
    for (int round = 0; round < 2; ++round) {
        for (const declared_timer& timer : declared->timers) {
            s.host().set_context("tick of timer " + std::to_string(timer.id));
            std::unique_ptr<validate_event> e = validate_event::timer(timer.id);
            s.deliver(*e);
            s.host().settle();
        }
    }
    s.host().set_context("");
}

} // namespace

namespace {

using control_list = std::vector<std::pair<std::string, std::string>>;

// Delivers one event, the first fault it makes becoming the check's result.
void deliver_checked(script_under_test& s, std::unique_ptr<validate_event> e, const std::string& what,
                     check_result& result) {
    step_guard_enter("check controls: " + what);
    s.host().set_context(what);
    const std::size_t before = s.host().fault_count();
    s.deliver(*e);
    s.host().settle();
    if (result.ok && s.host().fault_count() != before) result = {false, what + ": " + s.host().last_fault()};
}

void press(script_under_test& s, const std::string& panel, const std::string& id, const std::string& event,
           check_result& result) {
    deliver_checked(s, validate_event::button(panel, id, event),
                    "control " + panel + "/" + id + ", event \"" + event + "\"", result);
}

// The events the hints or scenarios give for a control.
const std::vector<std::string>* events_named(const panel_values* v, const std::pair<std::string, std::string>& c) {
    if (!v) return nullptr;
    for (const panel_values::control& named : v->controls)
        if (named.panel == c.first && named.id == c.second) return &named.events;
    return nullptr;
}

// State behind a value (a count of 7) shows only to the press after it:
// each property the panel reads is set to each value worth trying, and
// every control pressed after each. Bounded whatever the lists hold.
std::size_t press_after_values(script_under_test& s, const panel_values& v, const control_list& controls,
                               check_result& result) {
    constexpr std::size_t maxEvents = 100000;
    std::size_t events = 0;
    for (const panel_values::property& p : v.properties)
        for (const std::string& value : values_to_try(v, p)) {
            if (events + 1 + controls.size() > maxEvents) return events;
            const std::string message = p.name + "=" + value;
            deliver_checked(s, validate_event::property(message), "property \"" + message + "\"", result);
            ++events;
            for (const auto& [panel, id] : controls) {
                press(s, panel, id, "press", result);
                ++events;
            }
        }
    return events;
}

} // namespace

check_result check_controls(const validate_options& o, validate_totals& t) {
    step_guard_enter("check controls: start-up and reports");
    script_under_test s(o, validate_host::replies::plausible, nullptr, t);
    if (!s.created()) return {false, "the factory returned null"};
    answer_polls(s);
    tick_declared_timers(s, o.declared);
    control_list controls = t.controls;
    if (o.values)
        for (const panel_values::control& c : o.values->controls)
            if (std::find(controls.begin(), controls.end(), std::make_pair(c.panel, c.id)) == controls.end())
                controls.emplace_back(c.panel, c.id);
    std::size_t pressed = 0, events = 0;
    check_result result{true, ""};
    // Controls learnt while pressing join the list; the host bounds it.
    for (std::size_t i = 0;; ++i) {
        for (const auto& c : s.host().controls())
            if (std::find(controls.begin(), controls.end(), c) == controls.end()) controls.push_back(c);
        if (i >= controls.size()) break;
        const auto& [panel, id] = controls[i];
        ++pressed;
        for (const char* event : pageEvents) press(s, panel, id, event, result), ++events;
        if (const std::vector<std::string>* named = events_named(o.values, controls[i]))
            for (const std::string& event : *named) press(s, panel, id, event, result), ++events;
    }
    const std::size_t valueEvents = o.values ? press_after_values(s, *o.values, controls, result) : 0;
    s.host().set_context("");
    if (!result.ok) return result;
    if (controls.empty()) return {true, "the panel put no property on any control; nothing to press"};
    return {true, std::to_string(pressed) + " controls the panel set, " + std::to_string(events) +
                      " page events (press, release, name=value)" +
                      (valueEvents ? ", " + std::to_string(valueEvents) + " after setting its properties' values"
                                   : std::string())};
}

} // namespace quon::host
