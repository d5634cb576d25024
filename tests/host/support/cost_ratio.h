// cost_ratio: how much more a call costs at `factor` times the size, for
// tests that guard a linear complexity without resting on the machine's
// speed: a linear call costs about `factor` times as much, a quadratic one
// about factor squared. Each size is timed a few times, interleaved, and the
// least time of each counts, so a pause of a busy machine in one try is not
// taken for the call's cost; where the thread's own CPU time has a fine
// grain (Linux) it is what is timed, elsewhere the steady clock.
#ifndef COST_RATIO_H
#define COST_RATIO_H

#include <algorithm>
#include <chrono>
#include <cstddef>

#ifdef __linux__
#include <time.h>
#endif

// Whether the thread's own CPU time is what is timed. Elsewhere (under wine)
// the steady clock counts the machine's other load too, so a ratio is only
// reported there, not asserted: the algorithm is the same on both systems.
#ifdef __linux__
constexpr bool threadTimeMeasured = true;
#else
constexpr bool threadTimeMeasured = false;
#endif

namespace cost_ratio_detail {
inline double now() {
#ifdef __linux__
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
#else
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#endif
}

template <class Prepare, class Call>
double time_once(Prepare& prepare, Call& call, std::size_t size) {
    const auto input = prepare(size);
    const double start = now();
    call(input);
    return now() - start;
}
} // namespace cost_ratio_detail

// prepare(size) builds the input (untimed), call(input) is what is timed.
template <class Prepare, class Call>
double cost_ratio(Prepare prepare, Call call, std::size_t size, std::size_t factor = 10, int tries = 5) {
    double small = 1e300, large = 1e300;
    for (int i = 0; i < tries; ++i) {
        small = std::min(small, cost_ratio_detail::time_once(prepare, call, size));
        large = std::min(large, cost_ratio_detail::time_once(prepare, call, size * factor));
    }
    return large / std::max(small, 1e-9);
}

#endif
