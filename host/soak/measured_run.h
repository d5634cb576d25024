// measured_run: "run --measure": plays a scenario step by step as run does
// and measures it as a soak measures its traffic: each step's CPU time under
// the kind of event it is, and the process's heap, descriptors and threads
// (process/process_probe.h) between steps, at the end of each window of steps. The
// windows' lengths vary from a quarter to 1.75 of their mean, as a soak's
// rates vary by stretch, so that a growth can be laid at a kind. The soak's
// verdict (soak/verdict.h) judges them: a soak's saved finding replayed
// shows the same growth or the same slow event.
#ifndef HOST_SOAK_MEASURED_RUN_H
#define HOST_SOAK_MEASURED_RUN_H

#include "scenario/runner.h"
#include "soak/traffic.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quon::host {

// The soak's kind of event a step gives: route, gpi and info steps,
// "press" and "release" of a button, property and timer steps; none for the
// others (checks, "devices", "script", other button events).
std::optional<event_kind> event_kind_of(const step_action& action);

constexpr std::size_t measuredWindows = 40;
// After how many steps each window ends, the last after all of them: about
// `windows` windows (fewer when there are fewer steps), each at least a step.
std::vector<std::size_t> window_ends(std::size_t steps, std::size_t windows = measuredWindows);
// A replay's warm-up: its first tenth of windows, at least one (the panel's start).
std::size_t replay_warm_up_windows(std::size_t windows);

// Plays `plan` with `player` (its conversation's faults only), prints the
// measures, the slowest steps and one FAIL line per finding; the exit
// status: the run's, and exitExpectationFailed when there is a finding.
int play_measured(scenario_runner& player, const scenario& plan, std::int64_t budgetNs);

} // namespace quon::host

#endif
