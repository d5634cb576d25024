// cut_case: cuts a saved case down to the fewest steps that still give its
// fault (cut_steps), and says how sure that is. The whole case is replayed
// several times first, the cut one again at the end, and the case's note
// says how often the fault came back; the cut claims that no single step can
// go only when every replay gave the fault and the cut reached that point.
#ifndef HOST_VALIDATION_CUT_CASE_H
#define HOST_VALIDATION_CUT_CASE_H

#include "validation/replay.h"
#include "validation/saved_case.h"

#include <cstddef>
#include <functional>
#include <string>

namespace quon::host {

// How cutting a saved case ended.
enum class cut_outcome {
    cut,            // the fault recurred: the case is cut down (or has no step to drop)
    not_reproduced, // the replay gave no fault: the case is left whole, with a note saying so
    not_a_case,     // the file is no saved case: left alone
    not_a_scenario, // the file is not text at all (a binary file): left alone
    unreadable,     // the file could not be read
    not_written,    // the case could not be written back
};

// Plays a candidate (the case with some of its steps) once, written as the
// case's own file would be, and gives the fault it ended with.
using case_replay_fn = std::function<fault_signature(const saved_case& candidate)>;

struct cut_bounds {
    std::size_t maxCandidates = 400; // each is a fresh run
    int replays = 5;                 // of the whole case, and of the cut one
    int triesOfRandom = 3;           // replays of a candidate when the fault is random
};

// Cuts `c` in place: its steps, its fault (the replay's own line when the
// case's says only "the panel ..."), and one note of the cut. Gives cut or
// not_reproduced.
cut_outcome cut_case(saved_case& c, const case_replay_fn& replay, const cut_bounds& bounds);

// Cuts the saved case `file` in place, each candidate played by "panel_host
// run" (this program) against `library` in a fresh process bounded by
// `timeout` seconds (and a minute more). `replay` gets the case's replay
// command (validation/saved_case.h), as the file now gives it.
cut_outcome cut_saved_case(const std::string& library, const std::string& file, int timeout, std::string& replay);

} // namespace quon::host

#endif
