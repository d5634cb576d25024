#include "allocation_count.h"
#include "cost_ratio.h"
#include "devices/model.h"
#include "devices/file.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace quon::host;

namespace {

// A refused file allocates no more than a few times the run's bound of 64 MiB
// (entries, their indices and the text each is made from): expanding a range
// to its end before judging it would allocate gigabytes here.
constexpr std::size_t refusedAllocationBound = std::size_t{6} << 26;

TEST(DevicesFile, KivrensStudioIsDeclaredInItsFolder) {
    device_set set;
    std::string error;
    ASSERT_EQ(read_devices_file(EXAMPLE_DEVICES, set, error), load_result::ok) << error;
    ASSERT_EQ(set.devices.size(), 3u);
    const declared_device* router = set.first(device_type::router);
    ASSERT_TRUE(router);
    EXPECT_EQ(router->number, 3);
    EXPECT_EQ(router->pictureSelector, 6);
    device_model d(set);
    EXPECT_EQ(d.source_name(3, 6, 20), "chanimg/src20.jpg");
    EXPECT_EQ(d.source_name(3, 1, 4), "SRC 4");
    EXPECT_EQ(d.state(3, 16), "16");
    EXPECT_EQ(d.state(2, 12), "CAM 12");
    EXPECT_EQ(d.state(2, 32), "0");
    EXPECT_EQ(d.type_of(1), device_type::gpi);
    ASSERT_TRUE(set.layout);
    EXPECT_TRUE(set.layout->find("1", "Mon_16"));
    EXPECT_TRUE(set.layout->find("1", "UMDR_12"));
    EXPECT_TRUE(set.layout->find("1", "GPI_16"));
}

TEST(DevicesFile, AliasesStandForDeviceChanges) {
    device_set set;
    std::string error;
    ASSERT_TRUE(
        parse_devices("info 2 slots=40\nalias umd 2 1..12\nalias tally 2 1..12 +20\n", "t.devices", "", set, error))
        << error;
    struct alias_case {
        const char* step;
        std::vector<std::string> args;
        bool expanded;
        std::int32_t index;
        const char* why; // "" when none
    };
    const alias_case cases[] = {
        {"tally", {"3", "2"}, true, 23, ""},
        {"umd", {"12", "a text"}, true, 12, ""},
        {"umd", {"13", "x"}, false, 0, "umd index \"13\" is not within 1..12 (alias of t.devices:2)"},
        {"umd", {"x", "y"}, false, 0, "is not within"},
        {"tally", {"1"}, false, 0, "tally takes an index and a value"},
        {"route", {"1", "2"}, false, 0, ""}, // not an alias: the step is someone else's
    };
    for (const alias_case& c : cases) {
        device_change change;
        EXPECT_EQ(expand_alias(set, c.step, c.args, change, error), c.expanded) << c.step;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_EQ(error.empty(), std::string(c.why).empty()) << error;
        if (c.expanded) {
            EXPECT_EQ(change.device, 2);
            EXPECT_EQ(change.index, c.index);
            EXPECT_EQ(change.value, c.args[1]);
        }
    }
}

TEST(DevicesFile, DeclaresCommandsAndTimers) {
    device_set set;
    std::string error;
    ASSERT_TRUE(parse_devices("command XQ route\ncommand ABCD accept\ntimer 3 every 500\ntimer -1 every 86400000\n",
                              "t.devices", "", set, error))
        << error;
    ASSERT_EQ(set.commands.size(), 2u);
    EXPECT_EQ(set.command("XQ")->effect, command_effect::route);
    EXPECT_EQ(set.command("ABCD")->where, "t.devices:2");
    EXPECT_EQ(set.command("XW"), nullptr);
    ASSERT_EQ(set.timers.size(), 2u);
    EXPECT_EQ(set.timers[0].periodMs, 500);
    EXPECT_EQ(set.timers[1].id, -1);
    EXPECT_EQ(set.timers[1].periodMs, 86400000);
}

TEST(DevicesFile, ErrorsNameFileLineAndWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"router 3 destinations=16\n", "t.devices:1: sources= must be a number"},
        {"gpi 1 inputs=16\n\ngpi 1 inputs=4\n", "t.devices:3: device 1 is declared twice"},
        {"gpi x inputs=4\n", "gpi needs a device number"},
        {"info 2 slots=999999999\n", "slots= must be a number from 0 to 100000"},
        {"info 2 slots=4 colour=red\n", "unexpected \"colour=red\""},
        {"state 2 1 a\n", "no device \"2\" declared above"},
        {"info 2 slots=4\nstate 2 1..5 a\n", "t.devices:2: range \"1..5\" is not within 1..4"},
        {"gpi 1 inputs=4\nstate 1 1 maybe\n", "GPI state \"maybe\" is neither on nor off"},
        {"router 3 destinations=4 sources=2\nstate 3 1..4 {n}\n", "source \"3\" is not park or 0..2"},
        {"gpi 1 inputs=4\nname 1 6 1 x\n", "range \"1\" is not within 1..0"},
        {"router 3 destinations=4 sources=2\nname 3 six 1 x\n", "selector \"six\" is neither a number nor *"},
        {"info 2 slots=40\nalias tally 2 1..12 +30\n", "beyond the device's 1..40"},
        {"info 2 slots=40\nalias a 2 1..2\nalias a 2 1..2\n", "alias \"a\" is defined twice"},
        {"layout /nonexistent/x.layout\n", "/nonexistent/x.layout: No such file or directory"},
        {"route 1 2\n", "unknown item \"route\""},
        {"command XQ route\ncommand XQ gpi\n", "t.devices:2: command XQ is declared twice (first at t.devices:1)"},
        {"command RR route\n", "command RR is the host's own (routerRegister)"},
        {"command Xq route\n", "\"Xq\" is not two to four capital letters"},
        {"command XQQQQ route\n", "not two to four capital letters"},
        {"command X route\n", "not two to four capital letters"},
        {"command XQ teleport\n", "unknown effect \"teleport\""},
        {"command XQ\n", "usage: command CODE"},
        {"timer 3 every 0\n", "t.devices:1: period \"0\" is out of range (1 to 86400000)"},
        {"timer 3 every -5\n", "period \"-5\" is out of range"},
        {"timer 3 every 86400001\n", "out of range"},
        {"timer 3 every 1s\n", "period \"1s\" is not a number"},
        {"timer 3 500\n", "usage: timer ID every MS"},
        {"timer 3 every 5\ntimer 3 every 6\n", "t.devices:2: timer 3 is declared twice"},
        {"info -0 slots=1\n", "info needs a device number"},
    };
    for (const auto& [text, why] : cases) {
        device_set set;
        std::string error;
        EXPECT_FALSE(parse_devices(text, "t.devices", "", set, error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << "error was: " << error;
    }
    device_set set;
    std::string error;
    EXPECT_EQ(read_devices_file("/nonexistent/studio.devices", set, error), load_result::unreadable);
    EXPECT_EQ(error, "cannot read devices file /nonexistent/studio.devices: No such file or directory");
}

// A range multiplies its text: what a run's declarations expand to is bounded,
// and refused at once, naming the line that passes the bound.
TEST(DevicesFile, DeclarationsAreBoundedWhateverTheRangeTimesTheText) {
    std::string manyDevices;
    for (int n = 1; n <= 30; ++n) manyDevices += "info " + std::to_string(n) + " slots=100000\n";
    const std::pair<std::string, std::string> cases[] = {
        {"info 2 slots=100000\nstate 2 1..100000 " + std::string(10000, 'A') + "\n", "t.devices:2: "},
        {"router 3 destinations=1 sources=100000\nname 3 * 1..100000 " + std::string(300000, 'N') + "\n",
         "t.devices:2: "},
        {manyDevices, "t.devices:21: "},
    };
    for (const auto& [text, where] : cases) {
        device_set set;
        std::string error;
        const allocation_tally used =
            allocations_of([&] { EXPECT_FALSE(parse_devices(text, "t.devices", "", set, error)); });
        EXPECT_EQ(error, where + "the declarations pass the run's bound of 64 MiB (a range times its text, every "
                                 "devices file and layout together)");
        EXPECT_LT(used.bytes, refusedAllocationBound) << where;
    }
    // A 1 MB file of small declarations reads in linear time (a lookup per
    // line over the lines before it took 25 s and more).
    const auto smallDeclarations = [](std::size_t count) {
        std::string small = "info 0 slots=1\n";
        for (std::size_t n = 1; n <= count; ++n)
            small += "info " + std::to_string(n) + " slots=0\nalias a" + std::to_string(n) + " 0 1\n";
        return small;
    };
    const auto read = [](const std::string& text) {
        device_set many;
        std::string manyError;
        EXPECT_TRUE(parse_devices(text, "t.devices", "", many, manyError)) << manyError;
    };
    const double ratio = cost_ratio(smallDeclarations, read, 3000);
    if (threadTimeMeasured) EXPECT_LT(ratio, 30) << "ten times the declarations cost " << ratio << " times as much";
    else std::printf("ten times the declarations cost %.1f times as much (wall time, not asserted)\n", ratio);
    // One budget across the files of a run: each alone fits, the second passes it.
    declaration_budget budget;
    const std::string half = "info 2 slots=100000\nstate 2 1..100000 " + std::string(300, 'h') + "\n";
    device_set set;
    std::string error;
    EXPECT_TRUE(parse_devices(half, "a.devices", "", set, error, &budget)) << error;
    EXPECT_FALSE(parse_devices(half, "b.devices", "", set, error, &budget));
    EXPECT_EQ(error.rfind("b.devices:2: the declarations pass", 0), 0u) << error;
}

TEST(DevicesFile, SkipsAByteOrderMark) {
    device_set set;
    std::string error;
    ASSERT_TRUE(parse_devices("\xEF\xBB\xBFinfo 2 slots=4\n", "t.devices", "", set, error)) << error;
    ASSERT_NE(set.find(2), nullptr);
}

} // namespace
