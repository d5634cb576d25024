// worker_process: a piece of work run in a process of its own that this one
// watches, with a little memory both see. Natively the worker is forked; on
// Windows it is this program started again with the same command line, which
// finds itself by an environment variable and calls the work where the
// watcher would have waited. The worker runs in a process group (a job on
// Windows) of its own: whatever it starts is ended once it ends, and with the
// watcher, however the watcher is ended.
#ifndef HOST_PROCESS_WORKER_PROCESS_H
#define HOST_PROCESS_WORKER_PROCESS_H

#include <cstddef>
#include <functional>

namespace quon::host {

struct worker_calls {
    std::size_t sharedBytes = 0;
    // The most memory the worker may take (0: no bound): its address space
    // natively, its committed memory on Windows (a limit of its job).
    std::size_t memoryLimitBytes = 0;
    // In the watcher, before the worker starts: fills the shared memory.
    std::function<void(void* shared)> prepare;
    // In the worker: the work; its result is what run_in_worker returns there.
    std::function<int(void* shared)> work;
    // In the watcher once the worker has ended (`exited` with `code`, else
    // by signal `code`): the watcher's result.
    std::function<int(void* shared, bool exited, unsigned long code)> ended;
    // In the watcher when there is no worker: what could not be done.
    std::function<int(const char* what)> cannot;
};

// Returns in the worker what `work` gave, in the watcher what `ended` or
// `cannot` gave. A forked worker returns into the caller's code: the caller
// tells the two apart by own_process_id().
int run_in_worker(const worker_calls& calls);

} // namespace quon::host

#endif
