// guarded_process: runs the work of "run" or "validate" in a process of its
// own, watched by this one. A panel can end the process it runs in (exit,
// _exit, ExitProcess, a signal it raises) without any code of ours running
// first: no handler sees _exit, and exit's handlers would report from a
// process half torn down. Only another process learns for certain how it
// ended. The worker records the step running in memory shared with the
// watcher (step_guard_share) and, when it ends of its own accord (its
// result, or the step guard's crash and hang ends), the status it ends with
// (step_guard_ending). Any other end is the panel's: the watcher names it
// with the step and gives exitPanelCrashed.
#ifndef HOST_SESSION_GUARDED_PROCESS_H
#define HOST_SESSION_GUARDED_PROCESS_H

#include "session/step_guard.h"

#include <cstddef>
#include <functional>
#include <string>

namespace quon::host {

// More memory the worker and its watcher share, for the caller's own record
// of what the worker did (soak's crash journal): zeroed before the worker
// starts, and still there when the watcher learns how the worker ended.
struct guarded_memory {
    std::size_t bytes = 0;
    // In the watcher before the worker starts, then in the worker: where it is.
    std::function<void(void* memory)> attach;
    // In the watcher once the worker has ended: the exit status of the whole,
    // from the one the worker's end gives.
    std::function<int(int status)> ended;
};

// Runs `work` in the worker process and gives the exit status of the whole:
// the worker's own status, or exitPanelCrashed with a line on standard error
// when the panel ended it; exitEmulatorFault when no worker could be made.
// On Windows the worker is this program started again with the same command
// line; it finds itself by an environment variable and calls `work` here.
// `memoryLimitMb` (0: none) bounds the worker's memory (step_guard_memory_limit).
int run_guarded(const std::function<int()>& work, unsigned long memoryLimitMb = 0, const guarded_memory& more = {});

// The exit status of the whole, from how the worker ended (`exited`: with
// exit code `code`, else by signal `code`) and what its record says. An end
// that is not the worker's own fills `report` with the line that names it.
// When the step guard ended the worker for a crash or a hang, the guard's
// status stands even if the end went wrong after its report.
int worker_end_status(const step_guard_record& record, bool exited, unsigned long code, std::string& report);

} // namespace quon::host

#endif
