// stepping: serve --paused. The scenario is loaded and not played; the page
// after any of its steps is shown on request (POST /api/step, to=N, numbered
// as run numbers them). Forwards, the steps are played on in the panel's
// process; backwards (or when no process runs, or the page has acted since
// the last step) the scenario is replayed from its start in a new process,
// since a panel cannot be taken back. Until the last step is shown, page
// actions, a restart and the timers' ticks are refused: before it, the page
// is the scenario's. The steps themselves are panel_supervisor's
// (supervisor/stepping.cpp).
#ifndef HOST_SUPERVISOR_STEPPING_H
#define HOST_SUPERVISOR_STEPPING_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace quon::host {

struct paused_scenario {
    std::size_t count = 0; // its steps
    std::size_t shown = 0; // the step whose page is shown (0: before the first)
    bool acted = false;    // a page action, a restart or a tick came after its last step
    bool at_end() const { return shown >= count; }
};

// How the page after step `to` is reached.
enum class step_way { here, forwards, from_start };
step_way way_to(const paused_scenario& s, std::size_t to, bool processRuns);

// Why step `to` cannot be shown (`s` null: serve is not paused); empty when it can.
std::string step_refusal(const paused_scenario* s, std::uint64_t to);
// Why a page action or a restart is refused now; empty when it is not.
std::string paused_refusal(const paused_scenario* s);

} // namespace quon::host

#endif
