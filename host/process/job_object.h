// job_object: on Windows, a job object that ends every process in it once
// its last handle is closed (null when the system gives none): a process put
// in it ends with the one that holds it, whatever ends that one. Only the
// Windows files of this folder include it.
#ifndef HOST_PROCESS_JOB_OBJECT_H
#define HOST_PROCESS_JOB_OBJECT_H

#include <cstddef>

namespace quon::host {

// `memoryLimitBytes` (0: none) bounds the memory each process in it commits.
void* kill_on_close_job(std::size_t memoryLimitBytes);

} // namespace quon::host

#endif
