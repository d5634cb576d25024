// step_guard: makes a panel that crashes or never returns say which scenario
// step was running. Natively a signal handler, on Windows an unhandled
// exception filter, prints the current step to standard error and ends the
// process; a watchdog thread does the same when the panel overruns its time
// in one step. The step guard's record can live in memory another process
// reads (guarded_process.h), so that a process the panel ends without any of
// our code running still has its step named.
#ifndef HOST_SESSION_STEP_GUARD_H
#define HOST_SESSION_STEP_GUARD_H

#include "base/exit_status.h"

#include <string>

namespace quon::host {

// What the guard knows, in a form another process can read once this one
// has ended.
struct step_guard_record {
    char step[512]; // the step running, or the last one that ran
    int state;      // 0 no step ran yet, 1 a step is running, 2 between steps
    int ending;     // 1: this program is ending the process itself ...
    int status;     // ... with this exit status
};
// From now on the guard keeps its record at `shared` (what it knew so far is
// copied there).
void step_guard_share(step_guard_record* shared);
// This program ends the process with `status`, of its own accord: recorded
// before it does, so that the end is not taken for the panel's. Safe in a
// signal handler.
void step_guard_ending(int status);

// What the guard ends the process for: a crash by a signal or an exception
// (`code`: its number), a step over its time (`code`: the seconds allowed),
// or the panel taking more memory than the process is allowed (`code`: the
// megabytes).
enum class guard_fault { signal, exception, hung, memory };
// The fault's words ("the panel aborted (SIGABRT)"), as the guard prints them.
std::string guard_fault_words(guard_fault fault, unsigned long code);
// Called with the fault and the step running before the guard prints them
// and ends the process, so that the process can tell its server as a value.
// It runs in a signal handler: async-signal-safe only. nullptr: none.
using guard_reporter = void (*)(guard_fault fault, unsigned long code, const char* step);
void step_guard_report_to(guard_reporter reporter);

// Told each step as it begins, before the panel's code runs, in the words
// the guard names it with: a process that the panel ends without any of our
// code running can still be named with its step by whoever watches it.
// nullptr: none.
using step_announcer = void (*)(const std::string& step);
void step_guard_announce_to(step_announcer announcer);
// Installs the handlers; timeoutSeconds 0 means no watchdog.
void step_guard_install(int timeoutSeconds);
// The process may take `megabytes` (its bound is set elsewhere): an
// allocation that fails while the panel's code runs in a step ends the
// process as the panel's fault; one that fails in this program's own code
// stays this program's (std::bad_alloc).
void step_guard_memory_limit(unsigned long megabytes);
// The step now running (a short description); starts its clock.
void step_guard_enter(const std::string& description);
// The script of a studio that the panel's code now runs for ("" for a run of
// one): the step's text names it, so that a crash on another script's
// change is laid at the script that crashed.
void step_guard_script(const std::string& name);
// No step is running: the clock stops.
void step_guard_leave();

// How often a step or the emulator's time woke the watchdog (only when it
// waited with no deadline, never once per command), and whether it now
// waits for a step's deadline. For tests.
struct step_guard_watch {
    unsigned long long wakes = 0;
    bool onDeadline = false;
};
step_guard_watch step_guard_watch_state();

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
