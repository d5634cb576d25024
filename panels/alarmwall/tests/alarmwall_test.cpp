// The alarm wall driven through its entry point by the test host: what its
// scenarios cannot reach cheaply (a clock over hours, replies the emulator
// never gives) and the rules whose faults would be quiet on the page.
#include "alarmwall.h"
#include "quon_test_host.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct AlarmwallPanel : ::testing::Test {
    quon_test_host host;
    alarmwall& panel = host.start<alarmwall>("alarmwall");

    std::vector<std::string> report(int device, int index, int state) { return host.report(device, index, state); }
    std::vector<std::string> press(const char* id, const char* event = "press") { return host.button("1", id, event); }
    std::vector<std::string> tick(int id = alarmwall::clockTimer) { return host.timer(id); }
    static bool has(const std::vector<std::string>& commands, const std::string& c) {
        return std::find(commands.begin(), commands.end(), c) != commands.end();
    }
};

TEST_F(AlarmwallPanel, TheSounderIsSwitchedOnOnceAndSilencedWithTheHostsOwnCommand) {
    EXPECT_TRUE(has(report(1, 3, 1), "GO 5 1 1"));
    report(5, 1, 1); // the host reports the relay on
    EXPECT_FALSE(has(report(1, 4, 1), "GO 5 1 1")) << "already sounding";
    EXPECT_TRUE(report(1, 4, 1).empty()) << "a repeated report changes nothing";
    EXPECT_EQ(press("Silence"), (std::vector<std::string>{"GO 5 1 0"}));
    EXPECT_TRUE(press("Silence", "release").empty());
    EXPECT_TRUE(report(1, 13, 1).empty()) << "no alarm 13";
    EXPECT_TRUE(report(2, 1, 1).empty()) << "another device";
}

TEST_F(AlarmwallPanel, AcknowledgementGoesToTheFrameworkNotToThePanel) {
    EXPECT_EQ(press("AckAll"), (std::vector<std::string>{"XI '1' 'alm_'"}));
    EXPECT_EQ(press("ActionAll", "alarm=ack"), (std::vector<std::string>{"XI '1' 'alm_'"}));
}

TEST_F(AlarmwallPanel, TheClockCountsTicksOfItsTimerOnly) {
    EXPECT_TRUE(tick(2).empty());
    for (int i = 1; i < 3661; ++i) tick();
    EXPECT_EQ(tick(), (std::vector<std::string>{"TP 'text=01:01:01' '1' 'Clock'"}));
}

TEST_F(AlarmwallPanel, TicksShowWhatTheAcknowledgementWroteForRaisedAlarmsOnly) {
    report(1, 2, 1);
    report(1, 6, 1);
    host.reply = [](const std::string& c) -> std::optional<std::string> {
        if (c == "TG '1' 'alm_2' 'value'") return std::string("value=4");
        if (c == "TG '1' 'alm_6' 'value'") return std::string("value=x"); // unreadable: left as it is
        return std::nullopt;
    };
    const std::vector<std::string> got = tick();
    EXPECT_EQ(std::count_if(got.begin(), got.end(), [](const std::string& c) { return c.rfind("TG", 0) == 0; }), 2);
    EXPECT_TRUE(has(got, "TP 'colour.background=#e0a000' '1' 'alm_2'"));
    EXPECT_TRUE(has(got, "TP 'text=2 ACK' '1' 'alm_2'"));
    EXPECT_FALSE(has(got, "TP 'colour.background=#e0a000' '1' 'alm_6'"));
    EXPECT_EQ(host.outstandingReplies(), 0u);
    EXPECT_EQ(tick().size(), 3u) << "shown once: the next tick only reads";
}

TEST_F(AlarmwallPanel, AnswersHowManyAlarmsAreRaised) {
    report(1, 1, 1);
    report(1, 12, 1);
    report(1, 1, 0);
    EXPECT_EQ(host.property("return=raised"), std::optional<std::string>("raised=1"));
    EXPECT_EQ(host.property("return=other"), std::nullopt);
}

} // namespace
