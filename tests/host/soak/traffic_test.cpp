// The soak's traffic and saved stretches: rates read as the docs write them
// (and refused otherwise); a seed gives one schedule; each kind comes at its
// rate on average over a day, a release 150 ms after each press; a saved
// stretch names the script where it changes and counts what no step says.
#include "soak/saved_findings.h"
#include "soak/traffic.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

TEST(SoakTraffic, RatesAreReadAsWrittenAndRefusedOtherwise) {
    struct rate_case {
        const char* text;
        bool ok;
        event_kind kind;
        std::int64_t perHour;
    };
    const rate_case cases[] = {
        {"route=2/s", true, event_kind::route, 7200},    {"gpi=3/min", true, event_kind::gpi, 180},
        {"property=5/h", true, event_kind::property, 5}, {"press=0/s", true, event_kind::press, 0},
        {"release=1/s", false, event_kind::route, 0},    {"timer=1/s", false, event_kind::route, 0},
        {"route=2", false, event_kind::route, 0},        {"route=2/day", false, event_kind::route, 0},
        {"route=-1/s", false, event_kind::route, 0},     {"route=1.5/s", false, event_kind::route, 0},
        {"route/s=2", false, event_kind::route, 0},
    };
    for (const rate_case& c : cases) {
        traffic_rates rates = traffic_rates::defaults();
        std::string why;
        ASSERT_EQ(parse_rate(c.text, rates, why), c.ok) << c.text << ": " << why;
        if (c.ok) EXPECT_EQ(rates.perHour[index_of(c.kind)], c.perHour) << c.text;
        else EXPECT_FALSE(why.empty()) << c.text;
    }
}

// Plays `hours` of the schedule, a release owed after each press.
std::vector<std::pair<std::int64_t, event_kind>> play(std::uint64_t seed, const std::array<bool, eventKinds>& on,
                                                      std::int64_t hours) {
    validate_random random(seed);
    traffic_schedule schedule(traffic_rates::defaults(), on, random);
    std::vector<std::pair<std::int64_t, event_kind>> events;
    while (schedule.next_time() < hours * 3600 * 1000) {
        const std::int64_t at = schedule.next_time();
        const event_kind kind = schedule.next_kind();
        schedule.take();
        if (kind == event_kind::press) schedule.owe_release(at);
        events.emplace_back(at, kind);
    }
    return events;
}

TEST(SoakTraffic, OneSeedOneScheduleEachKindAtItsRate) {
    std::array<bool, eventKinds> on{};
    on.fill(true);
    on[index_of(event_kind::property)] = false; // nothing to send: left out
    EXPECT_EQ(play(11, on, 1), play(11, on, 1));
    EXPECT_NE(play(11, on, 1), play(12, on, 1));
    // Four days: the factors' spread (0.25 to 1.75 a stretch) leaves the
    // count within 2% of the rate (one standard deviation).
    const std::int64_t hours = 96;
    const auto day = play(11, on, hours);
    std::array<std::int64_t, eventKinds> counts{};
    std::int64_t lastPress = -1;
    for (std::size_t i = 0; i < day.size(); ++i) {
        ++counts[index_of(day[i].second)];
        if (i > 0) {
            EXPECT_LE(day[i - 1].first, day[i].first);
        }
        if (day[i].second == event_kind::press) lastPress = day[i].first;
        if (day[i].second == event_kind::release) {
            EXPECT_LE(day[i].first - releaseAfterMs, lastPress);
        }
    }
    const traffic_rates rates = traffic_rates::defaults();
    for (event_kind k : {event_kind::route, event_kind::gpi, event_kind::info, event_kind::press}) {
        const double expected = static_cast<double>(hours * rates.perHour[index_of(k)]);
        EXPECT_NEAR(static_cast<double>(counts[index_of(k)]), expected, expected * 0.1) << event_kind_name(k);
    }
    // The presses of the last 150 ms are released after the end.
    EXPECT_LE(counts[index_of(event_kind::press)] - counts[index_of(event_kind::release)], 3);
    EXPECT_GE(counts[index_of(event_kind::press)], counts[index_of(event_kind::release)]);
    EXPECT_EQ(counts[index_of(event_kind::property)], 0);
}

TEST(SoakStretch, ScriptsNamedWhereTheyChangeAndUnsaidEventsCounted) {
    const std::vector<said_step> stretch = {
        {"relay", "button 1 Take \"press\"", true},         {"", "gpi 1 on", true},     {"relay", "timer 1", true},
        {"", "router device 4 index 2 takes \"3\"", false}, {"watch", "timer 1", true},
    };
    std::size_t leftOut = 0;
    std::string first;
    const std::vector<std::string> studio = stretch_steps(stretch, true, 2, leftOut, first);
    const std::vector<std::string> expected = {
        "script relay", "button 1 Take \"press\"", "gpi 1 on", "timer 1", "script watch", "timer 1",
        "script relay", "button 1 Take \"press\"", "gpi 1 on", "timer 1", "script watch", "timer 1"};
    EXPECT_EQ(studio, expected);
    EXPECT_EQ(leftOut, 2u);
    EXPECT_EQ(first, "router device 4 index 2 takes \"3\"");
    leftOut = 0;
    EXPECT_EQ(stretch_steps(stretch, false, 1, leftOut, first).size(), 4u); // one script: no script steps
}

} // namespace
