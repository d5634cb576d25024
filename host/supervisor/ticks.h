// ticks: when "serve" plays the host's timers, in real time. The panel's
// process keeps the timers on its virtual clock (timer_clock) and reports
// them after every action; this schedule maps that clock onto real time and
// says when the next tick is due and as which step: "wait D", D the virtual
// span to the earliest due tick. Played through the same runner as "run", the
// step delivers exactly the ticks due at that moment, in the same order, and
// the recording replays it faithfully: the replay's clock moves as the live
// one did, so timers the panel (re)starts or stops tick the same there too.
// While no timer runs the virtual clock stands still, so a timer started
// after an idle spell counts from the report that shows it.
//
// Bounded: there is never more than one tick step pending, steps come at
// most maxPerSecond times a second, and the server's loop serves a waiting
// page action before each one. When the panel's ticks cannot keep up, the
// virtual clock falls behind real time rather than catching up in a burst:
// missed ticks are delivered one step at a time, later.
#ifndef HOST_SUPERVISOR_TICKS_H
#define HOST_SUPERVISOR_TICKS_H

#include "protocol/messages.h"

#include <chrono>
#include <optional>
#include <string>

namespace quon::host {

class tick_schedule {
public:
    using steady = std::chrono::steady_clock;
    static constexpr int maxPerSecond = 100;
    // Further behind than this, the virtual clock is set to follow from now.
    static constexpr std::chrono::milliseconds slip{100};

    // What the panel's process reported at `at`, after any action.
    void report(const timer_report& timers, steady::time_point at);
    // A new process: its virtual clock starts afresh at `at`.
    void reset(steady::time_point at);
    // When the next tick step may be played; max() when no timer runs.
    steady::time_point next() const;
    // The step that plays the next tick when it is due at `now` ("wait D").
    std::optional<std::string> due(steady::time_point now);
    const timer_report& timers() const { return timers_; }

private:
    timer_report timers_;
    bool known_ = false;                // a report came since the last reset
    steady::time_point anchor_;         // the real time of the virtual timers_.nowMs
    steady::time_point last_;           // the last tick step given
    std::optional<std::int64_t> given_; // the virtual time the last tick step moves to, until reported
    steady::time_point givenDue_;       // and when it was due in real time
};

// The running timers for the page: [{"id":3,"period":500,"ticks":2}, ...],
// the first `shown` of them, then {"more":N} for the others.
std::string timers_json(const timer_report& timers, std::size_t shown = 50);

} // namespace quon::host

#endif
