// step_guard: makes a panel that crashes or never returns say which scenario
// step was running. Natively a signal handler, on Windows an unhandled
// exception filter, prints the current step to standard error and ends the
// process; a watchdog thread does the same when a step overruns its time.
#ifndef HOST_STEP_GUARD_H
#define HOST_STEP_GUARD_H

#include <string>

// Exit codes of a run the panel did not let finish.
constexpr int exitPanelCrashed = 3;
constexpr int exitPanelHung = 4;

// Installs the handlers; timeoutSeconds 0 means no watchdog.
void step_guard_install(int timeoutSeconds);
// The step now running (a short description); starts its clock.
void step_guard_enter(const std::string& description);
// No step is running: the clock stops.
void step_guard_leave();

#endif
