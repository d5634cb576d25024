// The router control driven through its entry point by the test host: the
// rules whose faults would route the wrong crosspoint or light the wrong
// source, and ids a page or host may make up.
#include "quon_test_host.h"
#include "router_control.h"

#include <gtest/gtest.h>

namespace {

using commands = std::vector<std::string>;

struct RouterControlPanel : ::testing::Test {
    quon_test_host host;
    router_control& panel = host.start<router_control>("router_control");

    commands press(const char* id) { return host.button("1", id, "press"); }
    commands report(int destination, int source) { return host.report(router_control::router, destination, source); }
};

TEST_F(RouterControlPanel, RoutesThePickedDestinationToThePressedSource) {
    press("Dst_16");
    EXPECT_EQ(press("Src_20"), (commands{"XR 3 16 20"}));
    press("Dst_2");
    EXPECT_EQ(press("Src_1"), (commands{"XR 3 2 1"})) << "the last pick counts";
    EXPECT_EQ(press("Src_1"), (commands{"XR 3 2 1"})) << "the pick stays for the next take";
}

TEST_F(RouterControlPanel, IdsThatAreNotItsButtonsDoNothing) {
    press("Dst_3");
    for (const char* id : {"Src_0", "Src_21", "Src_07", "Src_+1", "Src_", "Src_1x", "src_1", "Dst_17", "Dst_0",
                           "Src_99999999999", "Take"})
        EXPECT_TRUE(press(id).empty()) << id;
    EXPECT_EQ(host.property("return=picked"), std::optional<std::string>("picked=3"));
}

TEST_F(RouterControlPanel, TheTallyFollowsThePickedDestinationsReportedSource) {
    EXPECT_EQ(press("Dst_4"), (commands{"TP 'colour.background=#e0a000' '1' 'Dst_4'"})) << "its source not known yet";
    EXPECT_EQ(report(4, 9),
              (commands{"TP 'text=DST 4 = SRC 9' '1' 'Dst_4'", "TP 'colour.background=#e00000' '1' 'Src_9'"}));
    EXPECT_TRUE(report(4, 9).empty()) << "a repeated report changes nothing";
    EXPECT_EQ(report(6, 2), (commands{"TP 'text=DST 6 = SRC 2' '1' 'Dst_6'"})) << "not the picked one";
    EXPECT_EQ(report(4, 21),
              (commands{"TP 'text=DST 4 = SRC 21' '1' 'Dst_4'", "TP 'colour.background=#5a626e' '1' 'Src_9'"}))
        << "a source beyond the buttons lights none";
    EXPECT_EQ(press("Dst_6"),
              (commands{"TP 'colour.background=#5a626e' '1' 'Dst_4'", "TP 'colour.background=#e0a000' '1' 'Dst_6'",
                        "TP 'colour.background=#e00000' '1' 'Src_2'"}));
    EXPECT_TRUE(host.report(2, 6, 3).empty()) << "another device";
    EXPECT_TRUE(report(17, 3).empty()) << "a destination without a button";
}

} // namespace
