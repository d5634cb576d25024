// The workbench's pipe protocol (frames and messages), its tick schedule
// and the rules of stepping through a paused scenario.
#include "protocol/guard_frame.h"
#include "protocol/messages.h"
#include "supervisor/stepping.h"
#include "supervisor/ticks.h"

#include <gtest/gtest.h>

using namespace quon::host;

TEST(ServeFrames, TakesWholeFramesWaitsForPartOnesRefusesTheRest) {
    struct row {
        std::string bytes;
        frame_status status;
        std::string name, data; // of the frame taken
    };
    const std::vector<row> rows = {{"log 3\na\nb\nstate 0\n\n", frame_status::frame, "log", "a\nb"},
                                   {"begun 0\n\n", frame_status::frame, "begun", ""},
                                   {"log 5\nabc", frame_status::more, "", ""},
                                   {"resu", frame_status::more, "", ""},
                                   {"result 12", frame_status::more, "", ""},
                                   {"HTTP/1.1 200 OK\r\n", frame_status::garbage, "", ""},
                                   {"log 2\nabc\n", frame_status::garbage, "", ""}, // longer than it says
                                   {"log -1\n\n", frame_status::garbage, "", ""},
                                   {"log 99999999999\n", frame_status::garbage, "", ""}, // over the limit
                                   {"averyveryverylongname 1\nx\n", frame_status::garbage, "", ""},
                                   {" 1\nx\n", frame_status::garbage, "", ""},
                                   {std::string(30, 'a'), frame_status::garbage, "", ""}}; // a header that never ends
    for (const row& r : rows) {
        std::string buffer = r.bytes, name, data, why;
        EXPECT_EQ(take_frame(buffer, name, data, why), r.status) << r.bytes;
        EXPECT_EQ(name, r.name) << r.bytes;
        EXPECT_EQ(data, r.data) << r.bytes;
        if (r.status == frame_status::garbage) {
            EXPECT_FALSE(why.empty()) << r.bytes;
        }
        if (r.status != frame_status::frame) {
            EXPECT_EQ(buffer, r.bytes) << "taken from a buffer with no frame";
        }
    }
}

TEST(ServeFrames, ResultsAndStatesReadBackAsSent) {
    live_result sent;
    sent.ok = sent.property = sent.recorded = true;
    sent.step = "property \"a\nb\"";
    sent.answer = std::string("x\n\0y", 4);
    sent.commands = {"TP 'text=1' '1' 'A'", "", "result 3"};
    std::string bytes = result_message(sent), name, data, why;
    ASSERT_EQ(take_frame(bytes, name, data, why), frame_status::frame);
    live_result got;
    ASSERT_TRUE(read_result(data, got));
    EXPECT_EQ(got.step, sent.step);
    EXPECT_EQ(got.answer, sent.answer);
    EXPECT_EQ(got.commands, sent.commands);
    EXPECT_TRUE(got.ok && got.property && got.recorded && !got.unchecked && !got.fault);

    state_update state;
    state.summary = "== summary";
    state.status = "running";
    state.picture = page_picture{{"<svg>\n", "\n", "</svg>"}, {"<g a>\n</g>", ""}};
    state.controls = {{1, "<g b/>"}};
    state.deviceStates = {{7, 1, "3"}, {9, 2, "two words\nand a line"}};
    state.names = {{7, 3, "chanimg/news.jpg"}};
    state.timers = {4500, {{3, 500, 5000, 0, 9}, {-2, maxTimerPeriodMs, 4501, 0, 0}}};
    bytes = state_message(state);
    ASSERT_EQ(take_frame(bytes, name, data, why), frame_status::frame);
    state_update back;
    ASSERT_TRUE(read_state(data, back));
    EXPECT_EQ(back.summary, state.summary);
    EXPECT_EQ(back.status, state.status);
    EXPECT_FALSE(back.devices); // not sent: unchanged
    ASSERT_TRUE(back.picture);
    EXPECT_EQ(back.picture->around, state.picture->around);
    EXPECT_EQ(back.picture->controls, state.picture->controls);
    EXPECT_EQ(back.controls, state.controls);
    ASSERT_EQ(back.deviceStates.size(), 2u);
    EXPECT_EQ(back.deviceStates[1].value, state.deviceStates[1].value);
    ASSERT_EQ(back.names.size(), 1u);
    EXPECT_EQ(back.names[0].index, 3);
    EXPECT_EQ(back.names[0].value, state.names[0].value);
    EXPECT_EQ(back.timers.nowMs, 4500);
    ASSERT_EQ(back.timers.running.size(), 2u);
    EXPECT_EQ(back.timers.running[0].dueMs, 5000);
    EXPECT_EQ(back.timers.running[0].ticks, 9u);
    EXPECT_EQ(back.timers.running[1].id, -2);
    const std::string pictureOf = frame("around", "a") + frame("control", "c");
    for (const std::string& bad : {frame("picture", pictureOf), frame("picture", frame("control", "c")),
                                   frame("control", "x\n<g/>"), frame("control", "<g/>")})
        EXPECT_FALSE(read_state(bad, back)) << bad;
    EXPECT_FALSE(read_state(frame("summary", "x") + "junk", back));
    for (const char* bad : {"3 500 5000", "3 0 5000 1", "3 500 5000 -1", "3 500 x 1", "3  500 5000 1"})
        EXPECT_FALSE(read_state(frame("timer", bad), back)) << bad;
    device_change c;
    EXPECT_FALSE(read_device("7 x 1", c));
    EXPECT_FALSE(read_device("7 0 1", c));

    // Another script's changes, in order, typed as made: a state's number and text whole.
    const std::vector<device_setting> made = {{7, 1, {-3, ""}}, {9, 2, {0, "two words\nand a line"}}, {1, 5, {1, ""}}};
    bytes = change_message("changed by relay", made);
    ASSERT_EQ(take_frame(bytes, name, data, why), frame_status::frame);
    std::string origin;
    std::vector<device_setting> changes;
    ASSERT_TRUE(read_change(data, origin, changes));
    EXPECT_EQ(origin, "changed by relay");
    ASSERT_EQ(changes.size(), made.size());
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(changes[i].device, made[i].device);
        EXPECT_EQ(changes[i].index, made[i].index);
        EXPECT_EQ(changes[i].state.number, made[i].state.number);
        EXPECT_EQ(changes[i].state.text, made[i].state.text);
    }
    for (const std::string& bad :
         {setting_frame(made[0]), frame("from", "x") + frame("device", "7 1 3"),
          frame("from", "x") + frame("made", "7 0 1 "), frame("from", "x") + frame("made", "7 1 1"),
          frame("from", "x") + frame("made", "7 1 x ")})
        EXPECT_FALSE(read_change(bad, origin, changes)) << bad;

    // A state's changes made and the action's count, as the process reports them.
    state = state_update{};
    state.made = made;
    state.told = change_bound::count{9999, true, "route 9 \"1\"\nx"};
    bytes = state_message(state);
    ASSERT_EQ(take_frame(bytes, name, data, why), frame_status::frame);
    ASSERT_TRUE(read_state(data, back));
    ASSERT_EQ(back.made.size(), made.size());
    EXPECT_EQ(back.made[1].state.text, made[1].state.text);
    ASSERT_TRUE(back.told);
    EXPECT_EQ(back.told->told, 9999u);
    EXPECT_TRUE(back.told->reached);
    EXPECT_EQ(back.told->action, state.told->action);
    change_bound::count count;
    for (const char* bad : {"9999 1", "9999 2\nx", "x 1\nx", "-1 0\nx", "1  0\nx"})
        EXPECT_FALSE(read_told(bad, count)) << bad;
}

// The guard's frame is written into a fixed buffer: the step is cut to fit,
// never written past it, and what is written reads back as one frame.
TEST(ServeFrames, TheGuardsFrameFitsItsBufferAndReadsBack) {
    const std::string longStep(600, 's');
    struct row {
        guard_fault fault;
        unsigned long code;
        std::string step;
        std::size_t room;
        std::size_t stepKept; // 0: nothing written
    } rows[] = {
        {guard_fault::signal, 11, "step 2 from the page: button 1", 1024, 30},
        {guard_fault::hung, 5, longStep, 256, 256 - 7 - 32},
        {guard_fault::exception, 3221225477ul, "x", 20, 0},
        {guard_fault::memory, 2048, "step 3", 1024, 6},
    };
    for (const row& r : rows) {
        std::string out(r.room + 8, '#');
        const std::size_t length = write_guard_frame(r.fault, r.code, r.step.c_str(), &out[0], r.room);
        EXPECT_EQ(out.substr(r.room), std::string(8, '#')) << "written past the room";
        if (r.stepKept == 0) {
            EXPECT_EQ(length, 0u);
            continue;
        }
        std::string name, bytes, why;
        std::string taken = out.substr(0, length);
        ASSERT_EQ(take_frame(taken, name, bytes, why), frame_status::frame) << why;
        guard_report report;
        ASSERT_TRUE(read_guard(bytes, report));
        EXPECT_EQ(report.fault, r.fault);
        EXPECT_EQ(report.code, r.code);
        EXPECT_EQ(report.step, r.step.substr(0, r.stepKept));
    }
    guard_report report;
    for (const char* bad : {"signal", "signal x step", "crashed 6 step", "hung 99999999999 step"})
        EXPECT_FALSE(read_guard(bad, report)) << bad;
}

TEST(ServeTicks, RealTimeFromTheReportedClockBoundedAndReanchoredWhenBehind) {
    using steady = tick_schedule::steady;
    const steady::time_point t0 = steady::now();
    const auto at = [&](int ms) { return t0 + std::chrono::milliseconds(ms); };
    tick_schedule s;
    s.reset(t0);
    EXPECT_EQ(s.next(), steady::time_point::max()) << "nothing reported yet";
    s.report({0, {{3, 500, 500, 0, 0}}}, at(0));
    EXPECT_EQ(s.next(), at(500));
    EXPECT_FALSE(s.due(at(499)));
    EXPECT_EQ(s.due(at(502)), "wait 500");
    EXPECT_EQ(s.next(), steady::time_point::max()) << "one tick step pending at most";
    s.report({500, {{3, 500, 1000, 0, 1}}}, at(520)); // a little late: the cadence holds
    EXPECT_EQ(s.next(), at(1000));
    EXPECT_EQ(s.due(at(1000)), "wait 500");
    s.report({1000, {{3, 500, 1500, 0, 2}}}, at(1900)); // far behind: follows from now, no burst
    EXPECT_EQ(s.next(), at(2400));
    s.report({1200, {{3, 500, 1500, 0, 2}}}, at(2000)); // a page's "wait 200" moved the clock
    EXPECT_EQ(s.next(), at(2300));
    s.report({1200, {{3, 500, 1500, 0, 2}}}, at(2100)); // a press: the clock stayed
    EXPECT_EQ(s.next(), at(2300));

    // A timer every millisecond: tick steps at most maxPerSecond a second.
    s.reset(t0);
    s.report({0, {{1, 1, 1, 0, 0}, {2, 1, 1, 0, 0}}}, at(0));
    EXPECT_EQ(s.due(at(1)), "wait 1");
    s.report({1, {{1, 1, 2, 0, 1}, {2, 1, 2, 0, 1}}}, at(1));
    EXPECT_EQ(s.next(), at(1) + std::chrono::milliseconds(1000 / tick_schedule::maxPerSecond));

    EXPECT_EQ(timers_json(s.timers(), 1), "[{\"id\":1,\"period\":1,\"ticks\":1},{\"more\":1}]");
    EXPECT_EQ(timers_json({}), "[]");
}

// A timer counts from its start: one started after the virtual clock stood
// still (no timer ran) ticks a period after the report that shows it, not a
// period after the clock last moved.
TEST(ServeTicks, ATimerStartedAfterAnIdleSpellCountsFromItsStart) {
    using steady = tick_schedule::steady;
    const steady::time_point t0 = steady::now();
    const auto at = [&](int ms) { return t0 + std::chrono::milliseconds(ms); };
    tick_schedule s;
    s.reset(t0);
    s.report({0, {}}, at(0));
    s.report({0, {{7, 1000, 1000, 0, 0}}}, at(5000)); // idle 5 s, then a timer-start
    EXPECT_EQ(s.next(), at(6000));
    EXPECT_FALSE(s.due(at(5999)));
    EXPECT_EQ(s.due(at(6000)), "wait 1000");
    s.report({1000, {{7, 1000, 2000, 0, 1}}}, at(6010));
    EXPECT_EQ(s.next(), at(7000)) << "the cadence holds from its start";

    // Stopped, idle, started again: from the new start too.
    s.report({1000, {}}, at(6500));
    s.report({1000, {{8, 500, 1500, 0, 0}}}, at(9000));
    EXPECT_EQ(s.next(), at(9500));
}

// Forwards is played on; anything else replays from the start in a new
// process, as does a page that acted after the last step.
TEST(ServeStepping, TheWayToAStepAndWhatWaitsForTheLast) {
    struct row {
        paused_scenario s;
        std::size_t to;
        bool runs;
        step_way way;
    };
    const row rows[] = {
        {{6, 2, false}, 4, true, step_way::forwards},    {{6, 2, false}, 2, true, step_way::here},
        {{6, 4, false}, 3, true, step_way::from_start},  {{6, 2, false}, 4, false, step_way::from_start},
        {{6, 2, false}, 2, false, step_way::from_start}, {{6, 6, true}, 6, true, step_way::from_start},
        {{6, 0, false}, 0, true, step_way::here},
    };
    for (const row& r : rows)
        EXPECT_EQ(way_to(r.s, r.to, r.runs), r.way) << r.s.shown << " to " << r.to << " runs " << r.runs;

    const paused_scenario middle{6, 3, false}, last{6, 6, false}, empty{0, 0, false};
    EXPECT_EQ(step_refusal(&middle, 6), "");
    EXPECT_EQ(step_refusal(&middle, 0), "");
    EXPECT_EQ(step_refusal(&middle, 7), "step: to \"7\" is out of range (0 to 6, the scenario's steps)");
    EXPECT_EQ(step_refusal(&empty, 1), "step: to \"1\" is out of range (0 to 0, the scenario's steps)");
    EXPECT_NE(step_refusal(nullptr, 0).find("--paused"), std::string::npos);
    EXPECT_EQ(paused_refusal(&middle),
              "paused at step 3 of 6: actions are carried out once the last step is shown (step to 6)");
    EXPECT_EQ(paused_refusal(&last), "");
    EXPECT_EQ(paused_refusal(&empty), "");
    EXPECT_EQ(paused_refusal(nullptr), "");
}
