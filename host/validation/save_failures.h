// save_failures: validate --save-failures, the watching process's side.
// Before the checks it makes the folder and the worker's journal; after
// them it saves the fault that ended the worker (crash, hang, the process
// ended) from the journal, then cuts every case the run saved
// (validation/cut_case.h).
#ifndef HOST_VALIDATION_SAVE_FAILURES_H
#define HOST_VALIDATION_SAVE_FAILURES_H

#include "validation/cut_case.h"
#include "validation/run.h"

#include <set>
#include <string>

namespace quon::host {

class failure_saving {
public:
    // Makes the folder (and its parents) and the journal; false with why.
    bool prepare(const validate_request& request, std::string& error);
    // After the checks ended with `status`: saves the worker's last fault,
    // cuts the cases and lists them. Gives the status to exit with: the
    // checks' own, or exitEmulatorFault when a case could not be written.
    int finish(int status);
    ~failure_saving();

private:
    bool save_from_journal(int status);

    validate_request request_;
    long watcher_ = 0; // this process: a worker forked from it does none of the above
    std::string journal_;
    std::set<std::string> before_; // the folder's files before the run
};

// The journal the watching process made for this worker (empty: none).
std::string worker_journal();

} // namespace quon::host

#endif
