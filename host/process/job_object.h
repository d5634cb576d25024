// job_object: on Windows, a job object that ends every process in it once
// its last handle is closed (null when the system gives none): a process put
// in it ends with the one that holds it, whatever ends that one. Only the
// Windows files of this folder include it.
#ifndef HOST_PROCESS_JOB_OBJECT_H
#define HOST_PROCESS_JOB_OBJECT_H

namespace quon::host {

void* kill_on_close_job();

} // namespace quon::host

#endif
