#include "allocation_count.h"
#include "fake_panel.h"
#include "session/panel_library.h"
#include "session/panel_session.h"
#include "quon_debug.h"
#include "scenario/format.h"
#include "scenario/runner.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <sstream>

using namespace quon::host;

namespace {

// The devices the fake panel talks to, as its runs declare them.
device_set fake_devices() {
    device_set set;
    std::string error;
    EXPECT_EQ(read_devices_file(HOST_TEST_SCENARIOS "/fake.devices", set, error), load_result::ok) << error;
    return set;
}

run_options with_fake_devices() {
    run_options options;
    options.devices = fake_devices();
    return options;
}

struct session_fixture : ::testing::Test {
    std::ostringstream out;
    conversation_log log{out};
    device_model devices{fake_devices()};
    page_model page;
    panel_session session{devices, page, log};
};

TEST_F(session_fixture, StartDeliversThePolledReportsAfterTheFactoryReturns) {
    ASSERT_TRUE(session.start(fake_panel_create, "base"));
    // RN, PS, RR, RP from the constructor, then one TP per polled destination.
    EXPECT_EQ(session.host().commands(),
              (std::vector<std::string>{"RN 3 6 1", "PS '1' 'fake.ui'", "RR 3 1 16", "RP 3 1 2",
                                        "TP 'pixmap=1:1' '1' 'Mon_1'", "TP 'pixmap=2:2' '1' 'Mon_2'"}));
    EXPECT_EQ(page.value("1", "Mon_2", "pixmap"), "2:2"); // state and inline text reached the script
    EXPECT_EQ(session.host().outstanding(), 0);           // the RN reply was handed back
    EXPECT_NE(out.str().find("< kind 5 hand-back \"chanimg/src1.jpg\""), std::string::npos);
    session.stop();
    EXPECT_FALSE(session.running());
    EXPECT_EQ(session.host().commands().back(), "AS");
}

TEST_F(session_fixture, ReportsCarryLongTextsWhole) {
    ASSERT_TRUE(session.start(fake_panel_create, ""));
    const std::string text(1000, 'x');
    session.report({3, 9, -4, text});
    EXPECT_EQ(page.value("1", "Mon_9", "pixmap"), "-4:" + text);
}

TEST_F(session_fixture, MalformedCommandsAreReportedAndSkipped) {
    ASSERT_TRUE(session.start(fake_panel_create, "malformed"));
    EXPECT_TRUE(session.running());
    const std::string log_text = out.str();
    for (const char* why : {"unknown code \"ZZ\"", "non-numeric field \"x\"", "missing closing apostrophe",
                            "empty command", "leading zero", "AS takes no fields", "null command"})
        EXPECT_NE(log_text.find(why), std::string::npos) << why;
    EXPECT_FALSE(session.host().shut_down()); // "AS x" was not taken as a sign-off
    EXPECT_EQ(page.control("1", "a=b"), nullptr);
    // The run went on: the polls made before were still answered.
    EXPECT_EQ(page.value("1", "Mon_1", "pixmap"), "1:1");
}

TEST_F(session_fixture, PropertyAnswersAreCopiedAndHandedBack) {
    ASSERT_TRUE(session.start(fake_panel_create, ""));
    EXPECT_EQ(session.property("myParam=abc"), "myParam=abc");
    // The fake frees what comes back with kind 5; a wrong pointer would be a
    // double free under the sanitizer and valgrind, not a silent pass.
    EXPECT_NE(out.str().find("> kind 5 hand-back: \"myParam=abc\""), std::string::npos);
    EXPECT_EQ(session.property(""), std::nullopt);
    EXPECT_EQ(session.property("get pixmap"), "pixmap=1:1"); // TG from the page model
    EXPECT_EQ(session.property("get nothing"), "nothing=");
    EXPECT_EQ(session.property("ids Mon_"), "Mon_1,Mon_2"); // XI from the page model
    EXPECT_EQ(session.property("ids alm_"), std::nullopt);  // no ids: null
    EXPECT_EQ(session.host().outstanding(), 0);
}

TEST_F(session_fixture, ButtonsAndTimersReachTheScript) {
    ASSERT_TRUE(session.start(fake_panel_create, ""));
    session.host().clear_commands();
    session.button("1", "Mon_5", "press.sub=1");
    session.button("2", "AckAll", "release");
    session.timer(-7);
    EXPECT_EQ(session.host().commands(), (std::vector<std::string>{"TP 'event=press:1' '1' 'Mon_5'",
                                                                   "TP 'event=release:' '2' 'AckAll'", "ET -7"}));
}

TEST_F(session_fixture, RepliesAreReleasedWhenHandedBackAndStartsStayCheap) {
    // Each start gets "OK" to PS (never handed back) and a reply to RN
    // (handed back): the host keeps neither past its time, and finds a
    // hand-back at once, so many starts take no longer each. Kept replies,
    // searched linearly, made this minutes; here the thousand starts after
    // 19,000 allocate no more than the thousand after 1,000, and leave no
    // more blocks behind than they found.
    int started = 0;
    const auto starts = [&](int count) {
        for (int i = 0; i < count && !HasFatalFailure(); ++i, ++started) {
            ASSERT_TRUE(session.start(fake_panel_create, ""));
            ASSERT_LE(session.host().held(), 1u) << "after start " << started;
            session.host().clear_commands(); // as a run does at each step
            out.str("");
        }
    };
    starts(1000);
    const allocation_tally early = allocations_of([&] { starts(1000); });
    starts(17000);
    const allocation_tally late = allocations_of([&] { starts(1000); });
    ASSERT_EQ(started, 20000);
    EXPECT_LE(late.calls, early.calls);
    EXPECT_LE(late.bytes, early.bytes);
    EXPECT_EQ(late.live, 0u);
    EXPECT_EQ(session.host().outstanding(), 0);
}

// Writes two debugger texts around a command on every timer tick: through
// the framework's own output, so on Windows through OutputDebugStringA.
struct chatty final : quon_client_callback {
    quon_client_callback* host;
    explicit chatty(quon_client_callback* h) : host(h) {}
    void* deletingDestructor(unsigned flags) override {
        host->callback(const_cast<char*>("AS"), 0);
        if (flags & 1) delete this;
        return this;
    }
    char* callback(void*, unsigned kind) override {
        if (kind != 4) return nullptr;
        quon_debug_output("before ET");
        host->callback(const_cast<char*>("ET 1"), 0);
        quon_debug_output("after ET\n"); // the line end is not part of the text
#ifdef _WIN32
        OutputDebugStringW(L"wide"); // a panel of its own may write them so
#endif
        return nullptr;
    }
    static quon_client_callback* create(quon_client_callback* h, const char*) { return new chatty(h); }
};

TEST_F(session_fixture, DebuggerTextsShowWhereTheScriptWroteThem) {
    ASSERT_TRUE(session.start(chatty::create, ""));
    session.timer(1);
    session.timer(1);
    std::vector<std::string> tick{"before ET", "after ET"};
#ifdef _WIN32
    tick.push_back("wide");
#endif
    std::vector<std::string> twice = tick;
    twice.insert(twice.end(), tick.begin(), tick.end());
    EXPECT_EQ(session.debug_texts(), twice);
    const std::string text = out.str();
    const std::size_t before = text.find("debug text: before ET"), command = text.find("< kind 0 ET 1"),
                      after = text.find("debug text: after ET");
    ASSERT_NE(before, std::string::npos) << text;
    ASSERT_NE(after, std::string::npos) << text;
    EXPECT_LT(before, command);
    EXPECT_LT(command, after);
}

TEST_F(session_fixture, NothingIsDeliveredWithoutAScript) {
    session.report({3, 1, 1, "1"});
    session.timer(1);
    EXPECT_EQ(session.property("x"), std::nullopt);
    EXPECT_TRUE(session.host().commands().empty());
}

TEST(ScenarioRunner, CountsFailedExpectationsAndStepErrors) {
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario("route 1 4\n"
                               "expect-commands\nTP 'pixmap=4:4' '1' 'Mon_1'\nend\n"
                               "expect-commands\nTP 'pixmap=9:9' '1' 'Mon_1'\nend\n"
                               "expect-property Mon_1 pixmap 4:4\n"
                               "expect-property Mon_1 pixmap 5:5\n"
                               "route 99 1\n"
                               "stop\n"
                               "timer 1\n",
                               "r.scn", s, error))
        << error;
    std::ostringstream out;
    scenario_runner runner(fake_panel_create, with_fake_devices(), out);
    EXPECT_EQ(runner.run(s), 1);
    const std::string text = out.str();
    EXPECT_NE(text.find("FAILED: expect-commands (1 lines) at r.scn:5"), std::string::npos);
    EXPECT_NE(text.find("    expected:\n      TP 'pixmap=9:9' '1' 'Mon_1'\n    got:\n      TP 'pixmap=4:4'"),
              std::string::npos);
    EXPECT_NE(text.find("expected \"5:5\"\n    got \"4:4\""), std::string::npos);
    EXPECT_NE(text.find("the panel is not running"), std::string::npos);
    EXPECT_NE(text.find("expectations: 2 passed, 4 failed"), std::string::npos) << text;
}

TEST(ScenarioRunner, AllHeldGivesZero) {
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario("gpi 3 on\nexpect-commands none\nproperty hello\nexpect-answer hello\n"
                               "stop\nexpect-commands\nAS\nend\n",
                               "ok.scn", s, error));
    std::ostringstream out;
    scenario_runner runner(fake_panel_create, with_fake_devices(), out);
    EXPECT_EQ(runner.run(s), 0) << out.str();
    EXPECT_NE(out.str().find("expectations: 3 passed, 0 failed"), std::string::npos) << out.str();
}

// Where a recording's panel process ended, the replay leaves its panel
// undestroyed: no sign-off, and the next start is a panel of its own.
TEST(ScenarioRunner, AnAbandonedPanelIsNeverDestroyed) {
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario(
        "start\nabandon\nexpect-commands none\nproperty x\nstart\nstop\nexpect-commands\nAS\nend\n", "a.scn", s, error))
        << error;
    std::ostringstream out;
    scenario_runner runner(fake_panel_create, with_fake_devices(), out);
    EXPECT_EQ(runner.run(s), 1) << out.str(); // the property finds no panel: a failed step
    const std::string text = out.str();
    EXPECT_NE(text.find("abandoned: left as it is, never destroyed"), std::string::npos) << text;
    EXPECT_NE(text.find("the panel is not running"), std::string::npos) << text;
    EXPECT_NE(text.find("expectations: 2 passed, 1 failed"), std::string::npos) << text;
}

// A --watch recording replays with the library it ends with: what earlier
// builds answered is shown, and only the last build's expectations count.
TEST(ScenarioRunner, OnlyTheExpectationsAfterTheLastReloadCount) {
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario("property a\nexpect-answer first build\nreloaded\nproperty b\nexpect-answer other\n"
                               "reloaded\nproperty c\nexpect-answer c\n",
                               "w.scn", s, error))
        << error;
    std::ostringstream out;
    scenario_runner runner(fake_panel_create, with_fake_devices(), out);
    EXPECT_EQ(runner.run(s), 0) << out.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("differs (an earlier build's, not counted): answer \"first build\""), std::string::npos)
        << text;
    EXPECT_NE(text.find("expectations: 1 passed, 0 failed"), std::string::npos) << text;

    ASSERT_TRUE(parse_scenario("reloaded\nproperty c\nexpect-answer wrong\n", "w.scn", s, error)) << error;
    std::ostringstream after;
    scenario_runner again(fake_panel_create, with_fake_devices(), after);
    EXPECT_EQ(again.run(s), 1) << after.str(); // after the last reload, a difference fails
}

TEST(ScenarioRunner, ExpectDebugLooksSinceTheLastStepThatWasNotACheck) {
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario("timer 1\nexpect-debug after ET\nsay checks keep the texts\nexpect-debug before ET\n"
                               "expect-debug before\nproperty x\nexpect-debug after ET\n",
                               "d.scn", s, error))
        << error;
    std::ostringstream out;
    scenario_runner runner(chatty::create, run_options{}, out);
    EXPECT_EQ(runner.run(s), 1);
    const std::string text = out.str();
    EXPECT_NE(text.find("expectations: 2 passed, 2 failed"), std::string::npos) << text;
    EXPECT_NE(text.find("debugger text \"before\"\n    written since the last step that was not a check:\n"
                        "      before ET\n      after ET\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("(no debugger texts)"), std::string::npos) << text;
}

TEST(PanelLibrary, LoadErrorsAreOneLine) {
    panel_library lib;
    std::string error;
    EXPECT_FALSE(lib.open("/nonexistent/panel.so", error));
    EXPECT_NE(error.find("cannot load /nonexistent/panel.so"), std::string::npos);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(lib.factory(), nullptr);
}

} // namespace
