// What a finding's replay is made of: the kind each step is counted under,
// windows of varied lengths that cover every step, and a case long enough
// to show the finding (a growth to four times its floor, a CPU growth over
// as many events as the soak played), bounded.
#include "soak/measured_run.h"
#include "soak/saved_findings.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quon::host;

namespace {

TEST(MeasuredRun, EachStepIsCountedUnderTheSoakKindThatGivesIt) {
    struct row {
        step_action action;
        std::optional<event_kind> kind;
    };
    const row rows[] = {
        {route_step{1, 2}, event_kind::route},
        {gpi_step{3, true}, event_kind::gpi},
        {info_step{1, "CAM 2"}, event_kind::info},
        {button_step{"1", "Take", "press"}, event_kind::press},
        {button_step{"1", "Take", "release"}, event_kind::release},
        {button_step{"1", "Level", "value=3"}, std::nullopt},
        {property_step{"x"}, event_kind::property},
        {timer_step{1}, event_kind::timer},
        {devices_step{"a.devices"}, std::nullopt},
        {expect_commands_step{}, std::nullopt},
        {script_step{"relay"}, std::nullopt},
    };
    for (const row& r : rows) EXPECT_EQ(event_kind_of(r.action), r.kind) << step_name(r.action);
}

TEST(MeasuredRun, WindowsCoverEveryStepInVariedLengths) {
    for (std::size_t steps : {1u, 5u, 39u, 200u, 16400u}) {
        const std::vector<std::size_t> ends = window_ends(steps);
        ASSERT_FALSE(ends.empty());
        EXPECT_EQ(ends.back(), steps);
        EXPECT_LE(ends.size(), measuredWindows + measuredWindows / 4) << steps;
        std::size_t shortest = steps, longest = 0, from = 0;
        for (std::size_t end : ends) {
            ASSERT_GT(end, from) << steps; // every window holds a step
            if (end != steps) shortest = std::min(shortest, end - from), longest = std::max(longest, end - from);
            from = end;
        }
        // Long enough runs get lengths that vary, so that a kind's count per window does.
        if (steps >= 200) {
            EXPECT_GE(longest, 4 * shortest) << steps;
        }
    }
    EXPECT_EQ(window_ends(16400).size(), measuredWindows);
}

TEST(SavedFindings, TheCaseIsLongEnoughToShowItsFindingAndBounded) {
    const auto growth = [](soak_resource r, double perEvent) {
        soak_finding f;
        f.resource = r;
        f.kindKnown = true;
        f.perEvent = perEvent;
        return f;
    };
    soak_finding cpu;
    cpu.type = finding_type::cpu_growth;
    cpu.kindKnown = true;
    soak_finding unexplained;
    unexplained.grew = 1 << 20;
    struct row {
        soak_finding finding;
        std::int64_t kindEvents;
        std::size_t stretch;
        int repeats;
    };
    const row rows[] = {
        {growth(soak_resource::heap, 64), 400000, 200, 82},    // 4 * 256 KiB at 64 bytes an event
        {growth(soak_resource::descriptors, 1), 288, 200, 1},  // 64 descriptors: once is enough
        {growth(soak_resource::heap, 0.01), 400000, 200, 250}, // bounded at 50000 steps
        {cpu, 28800, 200, 144},                                // as many presses as the soak played
        {cpu, 1200000, 200, 250},                              // bounded
        {unexplained, 400000, 200, 10},                        // no slope to size it by
        {growth(soak_resource::heap, 64), 400000, 0, 1},       // nothing kept
    };
    for (const row& r : rows)
        EXPECT_EQ(replay_repeats(r.finding, r.kindEvents, r.stretch), r.repeats) << r.kindEvents << " " << r.stretch;
}

} // namespace
