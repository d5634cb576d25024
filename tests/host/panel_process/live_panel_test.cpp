// The panel's process at its joins: device changes one script's process
// reports, in order, passed in a change frame to another script's process,
// as serve's studio passes them, counted against the action's bound.
#include "base/exit_status.h"
#include "fake_panel.h"
#include "panel_process/live_panel.h"
#include "panel_process/state_report.h"
#include "protocol/messages.h"
#include "session/panel_library.h"

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
    options.studioMember = true;
    return options;
}

// What the process reports in its next state message, read back as the server reads it.
state_update next_state(state_report& report, live_panel& live) {
    std::string bytes = report.next(live), name, data, why;
    EXPECT_EQ(take_frame(bytes, name, data, why), frame_status::frame);
    state_update u;
    EXPECT_TRUE(read_state(data, u));
    return u;
}

// What the process of `from` reports after `step`, as the change frame the
// server passes on: the changes it made.
std::vector<device_setting> reported_after(live_panel& from, state_report& report, const std::string& step) {
    EXPECT_TRUE(from.apply("the page", step).ok) << step;
    std::string bytes = change_message("changed by a", next_state(report, from).made), name, data, why;
    EXPECT_EQ(take_frame(bytes, name, data, why), frame_status::frame);
    std::string origin;
    std::vector<device_setting> changes;
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
    state_report report;
    next_state(report, a);
    for (const char* step : {"gpi 5 on", "gpi 5 off", "route 9 7", "route 9 park", "info 3 \"CAM 1\""}) {
        const std::vector<device_setting> changes = reported_after(a, report, step);
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

namespace {

struct ping_process {
    panel_library library;
    std::ostringstream out;
    std::unique_ptr<live_panel> live;
    state_report report;

    void open() {
        std::string error;
        ASSERT_TRUE(library.open(HOST_STUDIO_PING, error)) << error;
        run_options options;
        ASSERT_EQ(read_devices_file(HOST_STUDIO_DEVICES, options.devices, error), load_result::ok) << error;
        options.studioMember = true;
        live = std::make_unique<live_panel>(library.factory(), options, out);
        live->begin(scenario{}, [](const live_result&) {});
        next_state(report, *live); // its start: it answers destination 9's 9 with 10
    }
    std::vector<std::int32_t> made() {
        std::vector<std::int32_t> sources;
        for (const device_setting& c : next_state(report, *live).made) sources.push_back(c.state.number);
        return sources;
    }
};

} // namespace

// A studio's process reports every change made in it in order (its steps'
// and its script's, typed; not the one another script made, which it was
// told), each even to the state held, and counts the reports of an action
// on from the count the server carried in: the one that would pass the bound
// is dropped, named once as a problem, and a change told after it is taken
// without its report.
TEST(LivePanelChanges, AStudiosProcessReportsItsChangesInOrderCountedOnFromTheCarriedCount) {
    ping_process ping;
    ping.open();
    const std::size_t bound = change_bound::maxChangesPerAction;
    struct row {
        const char* what;
        change_bound::count carried;
        std::vector<std::int32_t> told; // by another script; none: the page's step "route 9 1"
        std::vector<std::int32_t> made;
        std::size_t count;
        bool reached;
    };
    const row rows[] = {
        {"a page's route, answered", {0, false, "route 9 1"}, {}, {1, 2}, 2, false},
        {"told 3, answered with 4", {5, false, "route 9 1"}, {3}, {4}, 7, false},
        {"told the state it holds", {0, false, "x"}, {4}, {}, 1, false},
        {"the report past the bound", {bound - 1, false, "route 9 1"}, {}, {1, 2}, bound, true},
        {"told once the bound was reached", {bound, true, "route 9 1"}, {5}, {}, bound, true},
    };
    for (const row& r : rows) {
        ping.live->carry(r.carried);
        if (r.told.empty()) {
            EXPECT_TRUE(ping.live->apply("the page", "route 9 1").ok) << r.what;
        }
        std::vector<device_setting> told;
        for (std::int32_t source : r.told) told.push_back({3, 9, {source, ""}});
        if (!told.empty()) {
            EXPECT_TRUE(ping.live->take_changes("changed by pong", told).ok) << r.what;
        }
        EXPECT_EQ(ping.made(), r.made) << r.what;
        EXPECT_EQ(ping.live->bound_count().told, r.count) << r.what;
        EXPECT_EQ(ping.live->bound_count().reached, r.reached) << r.what;
    }
    const std::string text = ping.out.str();
    const std::string problem = "! \"route 9 1\": the scripts keep changing devices for each other";
    EXPECT_NE(text.find(problem), std::string::npos) << text;
    EXPECT_EQ(text.find(problem), text.rfind(problem)) << "named once";
    EXPECT_EQ(ping.live->device_states(0)[8].value, "5") << "the change told past the bound is held";
}
