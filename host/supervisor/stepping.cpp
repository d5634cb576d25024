// panel_supervisor's steps through a paused scenario (supervisor/stepping.h).
#include "supervisor/stepping.h"

#include "supervisor/panel_supervisor.h"

namespace quon::host {

step_way way_to(const paused_scenario& s, std::size_t to, bool processRuns) {
    if (!processRuns || s.acted || to < s.shown) return step_way::from_start;
    return to == s.shown ? step_way::here : step_way::forwards;
}

std::string step_refusal(const paused_scenario* s, std::uint64_t to) {
    if (!s) return "step: serve is not paused; start it with --scenario FILE --paused";
    if (to > s->count)
        return "step: to \"" + std::to_string(to) + "\" is out of range (0 to " + std::to_string(s->count) +
               ", the scenario's steps)";
    return "";
}

std::string paused_refusal(const paused_scenario* s) {
    if (!s || s->at_end()) return "";
    const std::string last = std::to_string(s->count);
    return "paused at step " + std::to_string(s->shown) + " of " + last +
           ": actions are carried out once the last step is shown (step to " + last + ")";
}

live_result panel_supervisor::step_to(const live_action& action) {
    if (const std::string why = step_refusal(paused_ ? &*paused_ : nullptr, action.request.to); !why.empty()) {
        live_result r = refuse(action, why);
        r.step = action.request.step;
        return r;
    }
    live_result r;
    r.step = action.request.step;
    const std::size_t to = static_cast<std::size_t>(action.request.to);
    if (way_to(*paused_, to, life_.link() != nullptr) == step_way::from_start) replay_from_start(to);
    const auto interrupted = [this] { return setup_.interrupted && *setup_.interrupted; };
    while (life_.link() && paused_->shown < to && !interrupted()) {
        ++paused_->shown; // a step the panel ends in is the one shown: its fault is
        talk(frame("step", std::to_string(paused_->shown)), "begun", nullptr, counted());
    }
    publish();
    r.shown = std::make_pair(paused_->shown, paused_->count);
    r.ok = life_.link() != nullptr;
    r.fault = !r.ok;
    r.error = pages_.story().fault;
    return r;
}

// A new process with the scenario opened and nothing played; the old panel
// is destroyed as a host does, and the devices start as the inputs declare them.
void panel_supervisor::replay_from_start(std::size_t to) {
    say("\n[to step " + std::to_string(to) + ": the scenario replayed from its start in a new panel process]\n");
    stop_panel();
    pages_.reported().forget_devices();
    paused_->shown = 0;
    paused_->acted = false;
    pages_.story().note = "replayed from the start";
    std::string error;
    int status = 0;
    if (!start_process(true, error, status)) {
        if (pages_.story().fault.empty()) pages_.story().fault = error;
        return;
    }
    talk(frame("begin", "paused"), "begun", nullptr);
}

} // namespace quon::host
