#include "session/timer_clock.h"

#include <algorithm>

namespace quon::host {

void timer_clock::start(std::int32_t id, std::int32_t periodMs) {
    stop(id);
    timers_.push_back({id, periodMs, nowMs_ + periodMs, started_++});
}

bool timer_clock::stop(std::int32_t id) {
    const auto it = std::find_if(timers_.begin(), timers_.end(), [id](const timer& t) { return t.id == id; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    return true;
}

std::optional<std::int32_t> timer_clock::next_tick(std::int64_t untilMs) {
    timer* next = nullptr;
    for (timer& t : timers_)
        if (t.dueMs <= untilMs && (!next || t.dueMs < next->dueMs || (t.dueMs == next->dueMs && t.order < next->order)))
            next = &t;
    if (!next) return std::nullopt;
    advance_to(next->dueMs);
    next->dueMs += next->periodMs;
    ++next->ticks;
    return next->id;
}

} // namespace quon::host
