// The panel's process at its joins: device changes one script's process
// reports, passed in a change frame to another script's process, as serve's
// studio passes them.
#include "base/exit_status.h"
#include "fake_panel.h"
#include "panel_process/live_panel.h"
#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quon::host;

namespace {

run_options studio_devices() {
    run_options options;
    std::string error;
    EXPECT_TRUE(parse_devices("router 3 destinations=16 sources=20\ngpi 1 inputs=16\ninfo 2 slots=40\n", "t.devices",
                              ".", options.devices, error))
        << error;
    return options;
}

// What the process of `from` reports after `step`, as the change frame the
// server passes on: the indices it set.
std::vector<device_change> reported_after(live_panel& from, const std::string& step) {
    const std::uint64_t before = from.devices_revision();
    EXPECT_TRUE(from.apply("the page", step).ok) << step;
    std::string bytes = change_message("changed by a", from.device_states(before)), name, data, why;
    EXPECT_EQ(take_frame(bytes, name, data, why), frame_status::frame);
    std::string origin;
    std::vector<device_change> changes;
    EXPECT_TRUE(read_change(data, origin, changes));
    return changes;
}

// Every index's state text, as the pages see it.
std::vector<std::string> held(const live_panel& p) {
    std::vector<std::string> states;
    for (const device_change& c : p.device_states(0))
        states.push_back(std::to_string(c.device) + " " + std::to_string(c.index) + " " + c.value);
    return states;
}

} // namespace

// Every kind of device: what one process reports, the other takes and holds the same.
TEST(LivePanelChanges, WhatOneProcessReportsTheOtherTakes) {
    std::ostringstream outA, outB;
    const scenario none;
    live_panel a(fake_panel_create, studio_devices(), outA), b(fake_panel_create, studio_devices(), outB);
    a.begin(none, [](const live_result&) {});
    b.begin(none, [](const live_result&) {});
    for (const char* step : {"gpi 5 on", "gpi 5 off", "route 9 7", "route 9 park", "info 3 \"CAM 1\""}) {
        const std::vector<device_change> changes = reported_after(a, step);
        ASSERT_EQ(changes.size(), 1u) << step;
        const live_result r = b.take_changes("changed by a", changes);
        EXPECT_TRUE(r.ok) << step << ": " << r.error << "\n" << outB.str();
        EXPECT_EQ(held(b), held(a)) << step;
    }
}

// A page's action the host would not carry out is refused with the runner's
// own reason, as run fails the step, and changes nothing: no device, no
// failed step in the exit status.
TEST(LivePanelChanges, ARefusedActionSaysWhyAsRunDoesAndChangesNothing) {
    std::ostringstream out;
    const scenario none;
    live_panel live(fake_panel_create, studio_devices(), out);
    live.begin(none, [](const live_result&) {});
    const std::vector<std::string> before = held(live);
    const std::pair<const char*, const char*> refused[] = {
        {"route 17 1", "router device 3 has no index 17 (1..16)"},
        {"route 1 21", "source \"21\" is not park or 0..20"},
        {"gpi 0 on", "GPI device 1 has no index 0 (1..16)"},
        {"info 41 x", "information device 2 has no index 41 (1..40)"},
        {"button 1 Nowhere press", "unknown control Nowhere on panel 1"},
        {"expect-answer null", "not an action: expect-answer null"},
    };
    for (const auto& [step, why] : refused) {
        const live_result r = live.apply("the page", step);
        EXPECT_FALSE(r.ok) << step;
        EXPECT_EQ(r.error, why) << step;
    }
    ASSERT_TRUE(live.play("stop").ok);
    EXPECT_EQ(live.apply("the page", "property x").error, "the panel is not running");
    EXPECT_EQ(held(live), before);
    EXPECT_FALSE(live.expectations_failed());
    EXPECT_EQ(live.finish(), exitAllHeld);
}
