// save_failures: validate --save-failures, the watching process's side.
// Before the checks it makes the folder and the worker's journal; after
// them it saves the fault that ended the worker (crash, hang, the process
// ended) from the journal, then cuts every case the run saved down to the
// fewest steps that still give the same fault (cut_steps), each candidate
// played by "panel_host run" in a fresh process.
#ifndef HOST_VALIDATION_SAVE_FAILURES_H
#define HOST_VALIDATION_SAVE_FAILURES_H

#include "validation/run.h"

#include <set>
#include <string>

namespace quon::host {

// How cutting a saved case ended.
enum class cut_outcome {
    cut,            // the fault recurred: the case is cut down (or has no step to drop)
    not_reproduced, // the replay gave no fault: the case is left whole, with a note saying so
    not_a_case,     // the file is no saved case: left alone
    unreadable,     // the file could not be read
    not_written,    // the case could not be written back
};

// Cuts the saved case `file` in place: plays it with "panel_host run" (this
// program) against `library` to learn its fault, then drops steps while the
// same fault recurs, each candidate a fresh run bounded by `timeout`
// seconds (and a minute more); the file then names how it was cut.
cut_outcome cut_saved_case(const std::string& library, const std::string& file, int timeout);

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
