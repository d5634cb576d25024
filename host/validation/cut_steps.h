// cut_steps: cuts a failing case down to a 1-minimal one by delta debugging.
// The case is a list of steps; `recurs` plays a candidate (the indices of the
// steps kept, in order) and says whether the same fault came back. The empty
// list is tried first, then chunks are dropped, halving their size while none
// can go, down to single steps:
// the result is a list from which no single step can be dropped.
#ifndef HOST_VALIDATION_CUT_STEPS_H
#define HOST_VALIDATION_CUT_STEPS_H

#include <cstddef>
#include <functional>
#include <vector>

namespace quon::host {

struct cut_result {
    std::vector<std::size_t> kept; // indices of the steps kept, in order
    std::size_t candidates = 0;    // candidates played
    bool minimal = true;           // false: stopped at the bound on candidates
};

using recurs_fn = std::function<bool(const std::vector<std::size_t>& candidate)>;

// Cuts steps 0..count-1; `recurs` is never asked about the whole list (it is
// known to fail) nor about the same candidate twice. At most `maxCandidates`
// are played.
cut_result cut_steps(std::size_t count, const recurs_fn& recurs, std::size_t maxCandidates);

} // namespace quon::host

#endif
