// step_guard: makes a panel that crashes or never returns say which scenario
// step was running. Natively a signal handler, on Windows an unhandled
// exception filter, prints the current step to standard error and ends the
// process; a watchdog thread does the same when the panel overruns its time
// in one step.
#ifndef HOST_SESSION_STEP_GUARD_H
#define HOST_SESSION_STEP_GUARD_H

#include "base/exit_status.h"

#include <string>

namespace quon::host {

// Installs the handlers; timeoutSeconds 0 means no watchdog.
void step_guard_install(int timeoutSeconds);
// The step now running (a short description); starts its clock.
void step_guard_enter(const std::string& description);
// No step is running: the clock stops.
void step_guard_leave();

// While one exists, the clock of the running step stands still: time the
// emulator spends (parsing a command, executing it, checking, drawing) is
// never counted against the panel. Scopes may nest and may outlive a step.
class step_guard_emulator_time {
public:
    step_guard_emulator_time();
    ~step_guard_emulator_time();
    step_guard_emulator_time(const step_guard_emulator_time&) = delete;
    step_guard_emulator_time& operator=(const step_guard_emulator_time&) = delete;
};

} // namespace quon::host

#endif
