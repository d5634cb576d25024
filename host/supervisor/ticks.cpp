#include "supervisor/ticks.h"

#include <algorithm>

namespace quon::host {

namespace {

constexpr auto minGap = std::chrono::microseconds(1000000 / tick_schedule::maxPerSecond);

std::optional<std::int64_t> earliest_due(const timer_report& r) {
    std::optional<std::int64_t> due;
    for (const timer_clock::timer& t : r.running)
        if (!due || t.dueMs < *due) due = t.dueMs;
    return due;
}

} // namespace

void tick_schedule::report(const timer_report& timers, steady::time_point at) {
    if (given_ && timers.nowMs == *given_) // the tick step given: the clock is where it was due
        anchor_ = givenDue_ >= at - slip ? givenDue_ : at;
    // Another step moved the clock ("wait" from a page), or no timer ran: the
    // virtual clock stood still while real time went on, so a timer started
    // now counts from now.
    else if (!known_ || timers.nowMs != timers_.nowMs || timers_.running.empty()) anchor_ = at;
    given_.reset();
    known_ = true;
    timers_ = timers;
}

void tick_schedule::reset(steady::time_point at) {
    *this = tick_schedule{};
    anchor_ = at;
}

tick_schedule::steady::time_point tick_schedule::next() const {
    const std::optional<std::int64_t> due = earliest_due(timers_);
    if (!known_ || given_ || !due) return steady::time_point::max();
    const steady::time_point realDue = anchor_ + std::chrono::milliseconds(*due - timers_.nowMs);
    return last_ == steady::time_point{} ? realDue : std::max(realDue, last_ + minGap);
}

std::optional<std::string> tick_schedule::due(steady::time_point now) {
    const steady::time_point when = next();
    if (when == steady::time_point::max() || now < when) return std::nullopt;
    const std::int64_t due = *earliest_due(timers_);
    given_ = due;
    givenDue_ = anchor_ + std::chrono::milliseconds(due - timers_.nowMs);
    last_ = now;
    return "wait " + std::to_string(due - timers_.nowMs);
}

std::string timers_json(const timer_report& timers, std::size_t shown) {
    std::string out = "[";
    const std::size_t n = std::min(shown, timers.running.size());
    for (std::size_t i = 0; i < n; ++i) {
        const timer_clock::timer& t = timers.running[i];
        out += (i ? "," : "") + std::string("{\"id\":") + std::to_string(t.id) +
               ",\"period\":" + std::to_string(t.periodMs) + ",\"ticks\":" + std::to_string(t.ticks) + "}";
    }
    if (timers.running.size() > n)
        out += (n ? "," : "") + std::string("{\"more\":") + std::to_string(timers.running.size() - n) + "}";
    return out + "]";
}

} // namespace quon::host
