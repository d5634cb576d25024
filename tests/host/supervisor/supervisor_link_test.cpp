// The supervisor and the studio driven through fake panel processes
// (fake_link.h): what a process's end counts for, when a step is given up
// for a restart, and what the scripts of a studio pass each other.
#include "fake_link.h"
#include "scenario/format.h"
#include "supervisor/studio_supervisor.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quon::host;
using does = fake_panels::does;
using namespace std::chrono_literals;

namespace {

struct serve_bench {
    live_feed feed;
    action_queue queue;
    std::ostringstream out;
    fake_panels panels;

    supervisor_setup setup(std::optional<std::size_t> paused = std::nullopt) {
        supervisor_setup s;
        s.program = "panel_host";
        s.request.library = "panel.so";
        s.request.options.basePath = "panel";
        s.paused = paused;
        return s;
    }
    live_action action(const std::string& step, host_action host = host_action::none, const std::string& script = "") {
        live_action a;
        a.origin = "POST /api/test";
        a.request.ok = true;
        a.request.step = step;
        a.request.host = host;
        a.request.script = script;
        return a;
    }
};

} // namespace

// A loss in what run would count (the scenario, the panel's end) is run's
// status for it; a page action's is told to the page and counts for nothing.
TEST(SupervisorByLink, HowAProcessEndedIsTheStatusItCountsFor) {
    struct row {
        const char* message; // the message the process ends on
        does what;
        int status; // serve's exit status
        bool pageFault;
    };
    const row rows[] = {
        {"begin", does::crash, exitPanelCrashed, false}, {"begin", does::hang, exitPanelHung, false},
        {"begin", does::exit, exitPanelCrashed, false},  {"finish", does::hang, exitPanelHung, false},
        {"act", does::crash, exitAllHeld, true},         {"act", does::hang, exitAllHeld, true},
        {"act", does::answer, exitAllHeld, false},
    };
    for (const row& r : rows) {
        serve_bench bench;
        bench.panels.on("", r.message, {r.what, {}});
        panel_supervisor supervisor(bench.setup(), bench.feed, bench.queue, bench.out, bench.panels.maker());
        std::string error;
        ASSERT_EQ(supervisor.load(error), exitAllHeld) << error;
        supervisor.begin(nullptr);
        if (supervisor.live()) {
            const live_result answer = supervisor.apply(bench.action("button 1 Take press"));
            EXPECT_EQ(answer.fault, r.pageFault) << r.message;
            EXPECT_EQ(supervisor.live(), !r.pageFault) << r.message;
        }
        EXPECT_EQ(supervisor.finish(), r.status) << r.message << " " << static_cast<int>(r.what);
    }
}

// A step that runs past a second is given up only for a restart of its
// script waiting in the queue, one that will be carried out.
TEST(SupervisorByLink, ASlowStepIsGivenUpOnlyForARestartQueuedForIt) {
    struct row {
        const char* name;
        const char* restartOf; // the script a restart names; null: none pushed
        bool full;             // the queue is full: the restart is refused
        bool givenUp;
    };
    const row rows[] = {
        {"restart while queued", "", false, true},
        {"restart of another script", "other", false, false},
        {"restart refused when full", "", true, false},
        {"no restart", nullptr, false, false},
    };
    for (const row& r : rows) {
        serve_bench bench;
        panel_supervisor supervisor(bench.setup(), bench.feed, bench.queue, bench.out, bench.panels.maker());
        std::string error;
        ASSERT_EQ(supervisor.load(error), exitAllHeld);
        supervisor.begin(nullptr);
        for (std::size_t i = 0; r.full && i < action_queue::limit; ++i)
            bench.queue.push("POST /api/timer", bench.action("timer 1").request);
        if (r.restartOf) {
            const auto restart = bench.action("restart", host_action::restart, r.restartOf);
            EXPECT_EQ(bench.queue.push("POST /api/restart", restart.request) != nullptr, !r.full);
        }
        bench.panels.on("", "act", {does::slow, {}});
        const live_result answer = supervisor.apply(bench.action("button 1 Take press"));
        EXPECT_EQ(answer.fault, r.givenUp) << r.name << ": " << answer.error;
        EXPECT_EQ(supervisor.finish(), exitAllHeld) << r.name;
    }
}

// Paused before the last step, a restart is refused: one waiting in the
// queue gives no step up, and nothing counts as a hang.
TEST(SupervisorByLink, ARestartThatWillBeRefusedGivesNoStepUp) {
    serve_bench bench;
    panel_supervisor supervisor(bench.setup(4), bench.feed, bench.queue, bench.out, bench.panels.maker());
    std::string error;
    ASSERT_EQ(supervisor.load(error), exitAllHeld);
    supervisor.begin(nullptr);
    live_action to = bench.action("step", host_action::step);
    to.request.to = 2;
    ASSERT_TRUE(supervisor.apply(to).ok);
    ASSERT_TRUE(bench.queue.push("POST /api/restart", bench.action("restart", host_action::restart).request));
    bench.panels.on("", "step", {does::slow, {}});
    to.request.to = 3;
    const live_result stepped = supervisor.apply(to);
    EXPECT_TRUE(stepped.ok) << stepped.error;
    const std::optional<live_action> restart = bench.queue.pop(0ms);
    ASSERT_TRUE(restart);
    const live_result refused = supervisor.apply(*restart);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("paused at step 3 of 4"), std::string::npos) << refused.error;
    EXPECT_EQ(bench.panels.processes, 1) << "the refused restart changed nothing";
    EXPECT_EQ(supervisor.finish(), exitAllHeld);
}

// serve's restart is a new process, the library loaded anew: it is recorded
// as "restart" (named in a studio), which a replay plays with the library
// loaded afresh, after the "stop" that destroyed the panel or, its process
// gone, the "abandon" that leaves the replay's.
TEST(SupervisorByLink, ARestartIsRecordedAsTheStepThatLoadsTheLibraryAfresh) {
    struct row {
        const char* name;
        bool crashed;     // the panel's process ended before the restart
        const char* then; // the step that ends the old panel in the replay
    };
    const row rows[] = {{"running", false, "\nstop\nexpect-commands none\n"}, {"crashed", true, "\nabandon\n"}};
    for (const row& r : rows) {
        serve_bench bench;
        panel_supervisor supervisor(bench.setup(), bench.feed, bench.queue, bench.out, bench.panels.maker());
        std::string error;
        ASSERT_EQ(supervisor.load(error), exitAllHeld);
        scenario_recording recording({});
        supervisor.begin(&recording);
        if (r.crashed) bench.panels.on("", "act", {does::crash, {}});
        supervisor.apply(bench.action("button 1 Take press"));
        bench.panels.on("", "begin", {does::answer, {}, {"XR 7 1 5"}});
        EXPECT_TRUE(supervisor.apply(bench.action("restart", host_action::restart)).ok) << r.name;
        const std::string& text = recording.text();
        const std::size_t ended = text.find(r.then);
        const std::size_t restarted = text.find("\nrestart\nexpect-commands\nXR 7 1 5\nend\n");
        EXPECT_TRUE(ended != std::string::npos && restarted != std::string::npos && ended < restarted)
            << r.name << ":\n"
            << text;
        EXPECT_EQ(text.find("\nstart"), std::string::npos) << r.name << ":\n" << text;
        supervisor.finish();
    }
}

namespace {

struct studio_bench : serve_bench {
    std::unique_ptr<studio_supervisor> studio;
    void open() {
        feed.set_scripts({"a", "b"});
        studio = std::make_unique<studio_supervisor>(
            setup(), std::vector<std::pair<std::string, std::string>>{{"a", "a.so"}, {"b", "b.so"}}, feed, queue, out,
            panels.maker());
        std::ostringstream errors;
        std::string error;
        ASSERT_EQ(studio->load(error, errors), exitAllHeld) << error;
    }
};

} // namespace

// Every change a script makes is told to the other in the order it was made,
// a state the other holds already too (run reports it too), and its count
// goes on from the count of the process that made it.
TEST(StudioByLink, EachChangeIsToldInTheOrderMade) {
    studio_bench bench;
    bench.open();
    bench.studio->begin(nullptr, scenario{});
    const std::vector<device_setting> made = {{7, 1, {5, ""}}, {7, 1, {6, ""}}, {7, 1, {5, ""}}};
    bench.panels.on("a", "act", {does::answer, made});
    bench.panels.on("a", "act", {does::answer, {made.back()}}); // the state b holds
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(bench.studio->apply(bench.action("button 1 Take press", host_action::none, "a")).ok);
    const std::vector<device_setting>& told = bench.panels.reported["b"];
    ASSERT_EQ(told.size(), 4u);
    for (std::size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(told[i].state.number, (i < 3 ? made[i] : made.back()).state.number) << i;
    const std::vector<change_bound::count>& carried = bench.panels.carried["b"];
    ASSERT_EQ(carried.size(), 3u); // its begin, then the change of each action
    for (std::size_t i : {1, 2}) {
        EXPECT_EQ(carried[i].told, i == 1 ? 3u : 1u) << "a's own reports, counted in a's process";
        EXPECT_EQ(carried[i].action, "button 1 Take press");
    }
    EXPECT_EQ(bench.studio->finish(), exitAllHeld);
}

// Scripts that answer each other's changes for ever: each process counts on
// from the last, so the report the bound cuts is the one run cuts (the
// change that would pass it is taken without its report, and a change still
// to tell is told without reports); the action is answered, and the bound
// reached counts in the exit status as run --strict counts its problem.
TEST(StudioByLink, ScriptsAnsweringEachOtherAreCutAtTheBoundsReport) {
    studio_bench bench;
    bench.open();
    bench.studio->begin(nullptr, scenario{});
    for (std::size_t i = 0; i <= change_bound::maxChangesPerAction; ++i) {
        bench.panels.on("b", "change", {does::changes_back, {}});
        bench.panels.on("a", "change", {does::changes_back, {}});
    }
    bench.panels.on("a", "act", {does::answer, {{7, 1, {5, ""}}}});
    EXPECT_TRUE(bench.studio->apply(bench.action("button 1 Take press", host_action::none, "a")).ok);
    // Each change told is one report, and so is the one it makes in answer: 2 a pass after a's own.
    const std::size_t passes = change_bound::maxChangesPerAction / 2 + 1;
    EXPECT_EQ(bench.panels.count("b", "change") + bench.panels.count("a", "change"), passes);
    for (std::size_t pass = 0; pass + 1 < passes; ++pass) { // b is told the even passes' changes, a the odd ones'
        const std::vector<change_bound::count>& carried = bench.panels.carried[pass % 2 ? "a" : "b"];
        const std::size_t at = (pass % 2 ? 2 : 1) + pass / 2; // after its begin (and a's act)
        ASSERT_GT(carried.size(), at) << pass;
        EXPECT_EQ(carried[at].told, 1 + 2 * pass) << pass;
    }
    EXPECT_TRUE(bench.panels.carried["b"].back().reached) << "the last change is told without its report";
    EXPECT_EQ(bench.panels.reported["a"].size() + bench.panels.reported["b"].size(), passes - 1);
    EXPECT_EQ(bench.studio->finish(), exitExpectationFailed);
}

// As run starts its scripts: what one changes as it starts is told to those
// already started, and a later one starts from the devices as they are.
TEST(StudioByLink, StartUpChangesGoToTheScriptsStartedBefore) {
    studio_bench bench;
    bench.open();
    bench.panels.on("a", "begin", {does::answer, {{7, 1, {5, ""}}}});
    bench.panels.on("b", "begin", {does::answer, {{7, 2, {6, ""}}}});
    EXPECT_TRUE(bench.studio->begin(nullptr, scenario{}));
    EXPECT_EQ(bench.panels.count("a", "change"), 1u);
    EXPECT_EQ(bench.panels.count("b", "change"), 0u) << "told before it began";
    EXPECT_EQ(bench.studio->finish(), exitAllHeld);
}

// An action's step is recorded once the changes it made have gone round:
// its expect-commands hold what its script sent when told of the others'
// changes too, as run checks it; what the others did follows it.
TEST(StudioByLink, AnActionIsRecordedAfterItsChangesWentRound) {
    studio_bench bench;
    bench.open();
    scenario_recording recording({});
    bench.studio->begin(&recording, scenario{});
    bench.panels.on("a", "act", {does::answer, {{7, 1, {5, ""}}}, {"XR 7 1 5"}});
    bench.panels.on("b", "change", {does::answer, {{7, 1, {6, ""}}}, {"XR 7 1 6"}});
    bench.panels.on("a", "change", {does::answer, {{7, 2, {1, ""}}}, {"TP 'text=6' '1' 'Mon'"}});
    bench.panels.on("b", "change", {does::crash, {}});
    bench.studio->apply(bench.action("button 1 Take press", host_action::none, "a"));
    const std::string& text = recording.text();
    const std::size_t step =
        text.find("\nbutton 1 Take press\nexpect-commands\nXR 7 1 5\nTP 'text=6' '1' 'Mon'\nend\n");
    EXPECT_NE(step, std::string::npos) << text;
    EXPECT_GT(text.find("b: the panel crashed"), step) << text;
    bench.studio->finish();
}

// A restart of one script of a studio names it.
TEST(StudioByLink, ARestartNamesItsScript) {
    studio_bench bench;
    bench.open();
    scenario_recording recording({});
    bench.studio->begin(&recording, scenario{});
    bench.studio->apply(bench.action("restart", host_action::restart, "b"));
    const std::string& text = recording.text();
    EXPECT_NE(text.find("\nscript b\n\nstop b\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nrestart b\nexpect-commands none\n"), std::string::npos) << text;
    bench.studio->finish();
}

// A script that crashes on another's change ends the scenario there, as a
// crash ends a run: no later step is played, the exit status is run's, and
// the log names the step.
TEST(StudioByLink, AScriptLostOnAChangeEndsTheScenarioAsRunDoes) {
    studio_bench bench;
    bench.open();
    scenario plan;
    std::string error;
    ASSERT_TRUE(parse_scenario("script a\nbutton 1 Take press\nbutton 1 Take press\nscript b\nbutton 1 Take press\n",
                               "studio.scn", plan, error))
        << error;
    bench.panels.on("a", "play", {does::answer, {}});                // the start
    bench.panels.on("a", "play", {does::answer, {{7, 1, {5, ""}}}}); // step 2
    bench.panels.on("b", "change", {does::crash, {}});
    EXPECT_FALSE(bench.studio->begin(nullptr, plan)) << "said to be played whole";
    EXPECT_EQ(bench.panels.count("a", "play"), 2u) << "a step after the crash was played";
    EXPECT_EQ(bench.panels.count("b", "play"), 1u);
    EXPECT_NE(bench.out.str().find("the scenario stops at step 2: b's process ended"), std::string::npos)
        << bench.out.str();
    EXPECT_EQ(bench.studio->finish(), exitPanelCrashed);
}
