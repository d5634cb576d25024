// timer_clock: the host's timers in virtual time. A timer runs from its
// start with a period; the scenario's "wait" advances the clock and takes
// the ticks that fall due, in time order (timers due together in the order
// they were started), with no real sleeping. The script may stop ("ET") or
// (re)start timers from the handler of a tick; later ticks follow that.
#ifndef HOST_SESSION_TIMER_CLOCK_H
#define HOST_SESSION_TIMER_CLOCK_H

#include <cstdint>
#include <optional>
#include <vector>

namespace quon::host {

class timer_clock {
public:
    struct timer {
        std::int32_t id = 0;
        std::int32_t periodMs = 0;
        std::int64_t dueMs = 0;  // the next tick
        std::uint64_t order = 0; // when it was (re)started, for ties
        std::uint64_t ticks = 0; // delivered since it was (re)started
    };

    // (Re)starts a timer: its first tick comes one period from now.
    void start(std::int32_t id, std::int32_t periodMs);
    // False when the timer was not running.
    bool stop(std::int32_t id);
    void stop_all() { timers_.clear(); }

    // The id of the earliest tick due at or before `untilMs`; the clock moves
    // to it and the timer to its next period. Nothing when none is due.
    std::optional<std::int32_t> next_tick(std::int64_t untilMs);
    // Moves the clock on to `ms` (never back).
    void advance_to(std::int64_t ms) {
        if (ms > nowMs_) nowMs_ = ms;
    }
    std::int64_t now() const { return nowMs_; }
    const std::vector<timer>& running() const { return timers_; }

private:
    std::vector<timer> timers_;
    std::int64_t nowMs_ = 0;
    std::uint64_t started_ = 0;
};

} // namespace quon::host

#endif
