#include "session/timer_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quon::host;

namespace {

// Ticks taken up to `untilMs`, as "time:id".
std::vector<std::string> ticks_until(timer_clock& clock, std::int64_t untilMs) {
    std::vector<std::string> out;
    while (const std::optional<std::int32_t> id = clock.next_tick(untilMs))
        out.push_back(std::to_string(clock.now()) + ":" + std::to_string(*id));
    clock.advance_to(untilMs);
    return out;
}

TEST(TimerClock, DeliversDueTicksInTimeOrder) {
    struct timer_case {
        const char* name;
        std::vector<std::pair<std::int32_t, std::int32_t>> timers; // id, period, started in this order
        std::int64_t untilMs;
        std::vector<std::string> ticks;
    };
    const timer_case cases[] = {
        {"two ticks in a second", {{3, 500}}, 1000, {"500:3", "1000:3"}},
        {"none before the first period", {{3, 500}}, 499, {}},
        {"interleaved", {{1, 300}, {2, 200}}, 600, {"200:2", "300:1", "400:2", "600:1", "600:2"}},
        {"ties in start order", {{9, 100}, {1, 100}}, 200, {"100:9", "100:1", "200:9", "200:1"}},
        {"a restart replaces the first", {{5, 100}, {5, 250}}, 500, {"250:5", "500:5"}},
    };
    for (const timer_case& c : cases) {
        SCOPED_TRACE(c.name);
        timer_clock clock;
        for (const auto& [id, period] : c.timers) clock.start(id, period);
        EXPECT_EQ(ticks_until(clock, c.untilMs), c.ticks);
        EXPECT_EQ(clock.now(), c.untilMs);
    }
}

// Time only moves on; a timer (re)started later counts from then, and a
// stopped one ticks no more, also when stopped between two waits.
TEST(TimerClock, StartsAndStopsBetweenWaits) {
    timer_clock clock;
    clock.start(3, 500);
    EXPECT_EQ(ticks_until(clock, 700), std::vector<std::string>{"500:3"});
    clock.start(4, 100);
    EXPECT_EQ(ticks_until(clock, 1000), (std::vector<std::string>{"800:4", "900:4", "1000:3", "1000:4"}));
    EXPECT_TRUE(clock.stop(3));
    EXPECT_FALSE(clock.stop(3));
    clock.advance_to(10); // never back
    EXPECT_EQ(ticks_until(clock, 1200), (std::vector<std::string>{"1100:4", "1200:4"}));
    clock.stop_all();
    EXPECT_TRUE(ticks_until(clock, 5000).empty());
}

} // namespace
