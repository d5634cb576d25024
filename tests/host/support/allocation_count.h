// allocation_count: the test binary's every operator new counted, so a test
// can bound the work a call does by what it allocates, the same on a busy
// machine as on an idle one. Linking allocation_count.cpp into a test binary
// replaces the global operator new and delete of that binary.
#ifndef ALLOCATION_COUNT_H
#define ALLOCATION_COUNT_H

#include <cstddef>

struct allocation_tally {
    std::size_t calls = 0; // operator new calls so far
    std::size_t bytes = 0; // bytes they asked for, freed or not
    std::size_t live = 0;  // blocks allocated and not yet deleted
};

allocation_tally allocations_so_far();

// What a call allocated: the tally after it less the tally before.
template <class Call>
allocation_tally allocations_of(Call&& call) {
    const allocation_tally before = allocations_so_far();
    call();
    const allocation_tally after = allocations_so_far();
    return {after.calls - before.calls, after.bytes - before.bytes, after.live - before.live};
}

#endif
