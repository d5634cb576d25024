// replay: plays a saved case (or a candidate cut from it) with "panel_host
// run" in a fresh process, with a time bound, and says which fault it gave:
// the exit status and the class of the first fault line (the crash or hang
// line of the step guard, or the first "!" line of the conversation), so
// that two runs that fail the same way compare equal.
#ifndef HOST_VALIDATION_REPLAY_H
#define HOST_VALIDATION_REPLAY_H

#include "validation/saved_case.h"

#include <string>
#include <vector>

namespace quon::host {

struct fault_signature {
    int status = -1;
    std::string fault; // the whole first fault line, for the case's header
    std::string kind;  // its class: without the step, the command or the values it names

    bool same(const fault_signature& o) const { return status == o.status && kind == o.kind; }
};

// The signature of a run's output (standard output and error together):
// the crash or hang line, or the first "!" line of the class a case of
// `caseKind` ("malformed-command", "reply", "after-sign-off") is about.
fault_signature classify_run(int status, const std::string& output, const std::string& caseKind);

// The lines of a run's output a signature needs (the conversation's "!"
// lines and the count of replies never handed back), taken as the output
// comes; the rest is dropped as it passes.
class fault_line_filter {
public:
    void take(const std::string& chunk);
    // The lines kept (at most 64 KiB of them), each with its line end.
    const std::string& kept() const { return kept_; }
    // Bytes copied into the filter's own buffers so far: what reading costs.
    std::size_t bytes_copied() const { return copied_; }

private:
    void line(const std::string& text);

    std::string pending_, kept_;
    std::size_t copied_ = 0;
};

// Whether "panel_host run" can give the case's fault at all: a fuzz
// target's leak is the sanitizers' finding, which a run never reports, and
// so is its out-of-memory unless the replay has the fuzzer's memory bound;
// cutting against what a run reports instead would cut for another fault.
bool run_can_replay(const saved_case& c);

struct replay_setup {
    std::string program; // panel_host itself
    std::string library;
    int timeout = 10; // the run's --timeout: a hang ends a candidate after this
    int grace = 60;   // seconds more before the replay itself counts as hung
};

// Plays `file` (strict: with --strict). A run that does not end within the
// timeout and the grace is ended and counts as a hang, however much it writes.
// Plays `file` with the replay options of `c` (--strict, --memory-limit).
fault_signature replay_case(const replay_setup& setup, const std::string& file, const saved_case& c);

} // namespace quon::host

#endif
