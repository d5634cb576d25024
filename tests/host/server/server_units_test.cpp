// The recording, the event feed and the action queue of "serve".
#include "scenario/format.h"
#include "scenario/runner.h"
#include "server/feed.h"
#include "server/queue.h"
#include "server/recording.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

using namespace std::chrono_literals;

TEST(ServeRecording, ReadsBackAsTheStepsAndTheirCommands) {
    scenario_recording r({"made by a test"});
    const std::vector<std::string> route = {"TP 'pixmap=chanimg/parked.jpg' '1' 'Mon_5'", "TP 'text=x' '1' 'UMD_5'"};
    // Commands a block cannot hold as lines: a newline, outer spaces, words the parser reads otherwise.
    const std::vector<std::string> odd = {"TP 'a\nb' '1' 'X'", " TP 'x=1' '1' 'X'", "end", "...", "# no", "", "ET 1"};
    r.add("route 5 park", route);
    r.add("timer 1", odd);
    r.add("gpi 2 on", {});
    r.add_property("property \"return=all\"", {}, std::string("a \"quoted\"\nanswer"));
    r.add_property("property x", {"TG '1' 'X' 'y'"}, std::nullopt);
    r.add_property("property y", {}, std::string("bell\a"));
    EXPECT_EQ(r.steps(), 6u);
    EXPECT_EQ(r.text().rfind("# made by a test\n", 0), 0u);

    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario(r.text(), "rec.scn", s, error)) << error;
    ASSERT_EQ(s.steps.size(), 14u);
    EXPECT_EQ(std::get<route_step>(s.steps[0].action).destination, 5);
    const auto& routeBlock = std::get<expect_commands_step>(s.steps[1].action).lines;
    EXPECT_EQ(routeBlock, route);
    EXPECT_TRUE(commands_match(routeBlock, route));
    EXPECT_TRUE(commands_match(std::get<expect_commands_step>(s.steps[3].action).lines, odd));
    EXPECT_TRUE(std::get<expect_commands_step>(s.steps[5].action).lines.empty()); // "none"
    EXPECT_EQ(std::get<expect_answer_step>(s.steps[8].action).answer, std::string("a \"quoted\"\nanswer"));
    EXPECT_EQ(std::get<expect_answer_step>(s.steps[11].action).answer, std::nullopt);
    EXPECT_TRUE(std::holds_alternative<expect_commands_step>(s.steps[13].action)); // no answer check it cannot write
}

// A studio's recording says whose steps follow only when that changes.
TEST(ServeRecording, NamesTheScriptOfAStudioWhenItChanges) {
    scenario_recording r({"a studio"});
    r.add("devices \"studio.devices\"", {});
    const char* const speakers[] = {"relay", "relay", "watch", "relay"};
    for (const char* speaker : speakers) {
        r.speak_for(speaker);
        r.comment("a comment names no script");
        r.add_unchecked("abandon");
    }
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario(r.text(), "rec.scn", s, error)) << error;
    std::vector<std::string> named;
    for (const scenario_step& step : s.steps)
        if (const auto* script = std::get_if<script_step>(&step.action)) named.push_back(script->name);
    EXPECT_EQ(named, (std::vector<std::string>{"relay", "watch", "relay"}));
    EXPECT_TRUE(std::holds_alternative<devices_step>(s.steps[0].action)); // before any script: none named
}

// Each script of a studio has its own parts, named before them; the devices are sent once.
TEST(ServeFeed, AStudioNamesEachScriptsPartsAndSendsTheDevicesOnce) {
    live_feed feed;
    feed.set_scripts({"relay", "watch"});
    feed.set_state({"sum relay", "{\"router\":1}", "running", "[]"}, 0);
    feed.set_state({"sum watch", "", "stopped", "[]"}, 1);
    feed.set_picture({{"<svg>", "</svg>"}, {"<g data-control=\"A\"/>"}}, 1);
    feed_cursor page;
    std::string out;
    ASSERT_TRUE(feed.next(page, out, 0ms));
    const std::size_t scripts = out.find("event: scripts\ndata: [\"relay\",\"watch\"]\n\n");
    const std::size_t relay = out.find("event: script\ndata: relay\n\nevent: status\ndata: running\n\n");
    const std::size_t watch = out.find("event: script\ndata: watch\n\nevent: status\ndata: stopped\n\n");
    ASSERT_NE(scripts, std::string::npos) << out;
    ASSERT_NE(relay, std::string::npos) << out;
    ASSERT_NE(watch, std::string::npos) << out;
    EXPECT_LT(scripts, relay);
    EXPECT_LT(relay, watch);
    EXPECT_LT(out.find("data: sum watch"), out.find("event: page\ndata: <svg><g data-control")) << out;
    EXPECT_EQ(out.find("event: devices"), out.rfind("event: devices")); // once
    EXPECT_NE(out.find("event: devices\ndata: {\"router\":1}\n\n"), std::string::npos) << out;

    feed.set_state({"sum watch", "", "running", "[]"}, 1); // no devices: they stay as reported
    EXPECT_TRUE(feed.change_controls({{0, "<g>2</g>"}}, 1));
    EXPECT_FALSE(feed.change_controls({{0, "<g>2</g>"}}, 0)); // relay has no picture yet
    ASSERT_TRUE(feed.next(page, out, 0ms));
    EXPECT_EQ(out, "event: script\ndata: watch\n\nevent: status\ndata: running\n\nevent: controls\ndata: "
                   "[[0,\"<g>2</g>\"]]\n\n");
}

TEST(ServeFeed, NewPagesGetEverythingThenOnlyWhatIsNew) {
    live_feed feed;
    feed.append("one\ntw");
    feed.append("o\nthree");
    feed.set_state({"sum", "{}", "running", "[]"});
    feed.set_picture({{"<svg>", "</svg>"}, {"<g data-control=\"A\"/>"}});
    feed_cursor page;
    std::string out;
    ASSERT_TRUE(feed.next(page, out, 0ms));
    EXPECT_EQ(out.rfind("event: reset\n", 0), 0u);
    EXPECT_NE(out.find("event: log\ndata: one\ndata: two\n\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("three"), std::string::npos); // a line waits for its end
    EXPECT_NE(out.find("event: page\ndata: <svg><g data-control=\"A\"/></svg>\n\n"), std::string::npos);
    ASSERT_TRUE(feed.next(page, out, 10ms));
    EXPECT_EQ(out, "");
    feed.set_state({"sum", "{}", "running", "[]"}); // the same: nothing to send
    ASSERT_TRUE(feed.next(page, out, 10ms));
    EXPECT_EQ(out, "");

    // A page one picture behind gets the groups that changed; one further
    // behind, or new, the whole picture as it is now.
    feed_cursor behind = page, fresh;
    EXPECT_FALSE(feed.change_controls({{1, "<g/>"}})); // no such place: nothing changes
    EXPECT_TRUE(feed.change_controls({{0, "<g data-control=\"A\">\"1\"</g>"}}));
    ASSERT_TRUE(feed.next(page, out, 0ms));
    EXPECT_EQ(out, "event: controls\ndata: [[0,\"<g data-control=\\\"A\\\">\\\"1\\\"</g>\"]]\n\n");
    EXPECT_TRUE(feed.change_controls({{0, "<g>2</g>"}}));
    ASSERT_TRUE(feed.next(behind, out, 0ms));
    EXPECT_EQ(out, "event: page\ndata: <svg><g>2</g></svg>\n\n");
    ASSERT_TRUE(feed.next(fresh, out, 0ms));
    EXPECT_NE(out.find("event: page\ndata: <svg><g>2</g></svg>\n\n"), std::string::npos);
    ASSERT_TRUE(feed.next(page, out, 0ms));
    EXPECT_EQ(out, "event: controls\ndata: [[0,\"<g>2</g>\"]]\n\n");
    feed.append("\n");
    ASSERT_TRUE(feed.next(page, out, 0ms));
    EXPECT_EQ(out, "event: log\ndata: three\n\n");

    feed_cursor late;
    for (std::size_t i = 0; i < live_feed::keptLines + 3; ++i) feed.append("x\n");
    ASSERT_TRUE(feed.next(page, out, 0ms));
    EXPECT_NE(out.find("(3 older lines not shown)"), std::string::npos) << out.substr(0, 200);
    ASSERT_TRUE(feed.next(late, out, 0ms));
    EXPECT_EQ(out.find("older lines"), std::string::npos); // a new page starts at the oldest line kept
    feed.close();
    EXPECT_FALSE(feed.next(page, out, 1000ms));
}

// A panel may write lines of any length and any number of them: the feed
// keeps each line and all of them bounded in bytes, and a page that connects
// is sent no more than that; a cut line says how long it was.
TEST(ServeFeed, KeepsAndSendsBoundedBytesWhateverIsWritten) {
    struct flood {
        const char* what;
        std::size_t lines, bytes; // lines of `bytes` bytes each
        bool ended;               // the last one ended by "\n"
    };
    const flood floods[] = {{"300 lines of 3 MiB", 300, 3u << 20, true},
                            {"one line of 40 MiB, never ended", 1, 40u << 20, false},
                            {"20000 lines of 1 KiB", 20000, 1024, true}};
    for (const flood& f : floods) {
        SCOPED_TRACE(f.what);
        live_feed feed;
        const std::string piece(std::min<std::size_t>(f.bytes, 1u << 20), 'x');
        for (std::size_t line = 0; line < f.lines; ++line) {
            for (std::size_t left = f.bytes; left > 0; left -= std::min(left, piece.size()))
                feed.append(piece.substr(0, std::min(left, piece.size())));
            if (f.ended || line + 1 < f.lines) feed.append("\n");
        }
        feed.append("end\n"); // a partial line that was cut ends here
        feed_cursor page;
        std::string out;
        ASSERT_TRUE(feed.next(page, out, 0ms));
        EXPECT_LE(out.size(), feedKeptBytes + 64 * 1024) << "sent to one page";
        if (f.bytes > logLineBytes) {
            const std::string notice = cut_notice(f.bytes + (f.ended ? 0 : 3));
            EXPECT_NE(out.find(notice), std::string::npos) << notice;
        }
        if (f.ended) { // the lines after still come
            EXPECT_NE(out.find("data: end\n"), std::string::npos);
        }
    }
}

TEST(ServeFeed, LateResultsGoToEveryPageAfterTheState) {
    live_feed feed;
    feed_cursor early;
    std::string out;
    ASSERT_TRUE(feed.next(early, out, 0ms));
    for (int i = 1; i <= 20; ++i) feed.late_result("{\"id\":" + std::to_string(i) + "}");
    ASSERT_TRUE(feed.next(early, out, 0ms));
    EXPECT_EQ(out.find("{\"id\":4}"), std::string::npos); // only the last keptResults are kept
    EXPECT_NE(out.find("event: result\ndata: {\"id\":5}\n\n"), std::string::npos) << out;
    EXPECT_NE(out.find("{\"id\":20}"), std::string::npos);
    ASSERT_TRUE(feed.next(early, out, 0ms));
    EXPECT_EQ(out, "");
    feed_cursor later;
    ASSERT_TRUE(feed.next(later, out, 0ms));
    EXPECT_NE(out.find("{\"id\":20}"), std::string::npos); // a page that reconnects gets the kept ones
}

TEST(ServeFeed, EventsKeepEveryLineOfTheirData) {
    EXPECT_EQ(sse_event("log", ""), "event: log\ndata: \n\n");
    EXPECT_EQ(sse_event("page", "a\r\n\nb\r"), "event: page\ndata: a\ndata: \ndata: b\n\n");
}

TEST(ServeQueue, InOrderBoundedAndAnsweredWhenClosed) {
    action_queue queue;
    request_outcome first;
    first.ok = true;
    first.step = "timer 1";
    auto waiting = queue.push("POST /api/timer", first);
    ASSERT_TRUE(waiting);
    queue.notice("GET /x", "no such page");
    auto a = queue.pop(0ms);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->request.step, "timer 1");
    ASSERT_TRUE(a->done);
    auto b = queue.pop(0ms);
    ASSERT_TRUE(b);
    EXPECT_FALSE(b->done); // a notice has no waiter
    EXPECT_EQ(b->request.error, "no such page");
    EXPECT_FALSE(queue.pop(1ms));

    std::vector<std::shared_ptr<action_answer>> pending;
    for (std::size_t i = 0; i < action_queue::limit; ++i) pending.push_back(queue.push("POST", first));
    EXPECT_FALSE(queue.push("POST", first)); // full
    queue.close();
    for (auto& f : pending) {
        bool taken = false;
        const auto r = f->wait_for(0ms, nullptr, taken);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->error, "the server is stopping");
    }
    EXPECT_FALSE(queue.push("POST", first));
}

// A restart pending is a question to the queue: one refused because the
// queue was full leaves no mark; one queued is pending for the script it
// names (no name: the first) until it is taken.
TEST(ServeQueue, ARestartIsPendingOnlyWhileQueued) {
    action_queue queue;
    request_outcome step, restart;
    step.ok = restart.ok = true;
    step.step = "timer 1";
    restart.step = "restart";
    restart.host = host_action::restart;
    restart.script = "b";
    for (std::size_t i = 0; i < action_queue::limit; ++i) ASSERT_TRUE(queue.push("POST", step));
    EXPECT_FALSE(queue.push("POST /api/restart", restart)); // full
    EXPECT_FALSE(queue.pending_restart("b", false)) << "a refused restart left its mark";
    while (queue.pop(0ms)) {}
    ASSERT_TRUE(queue.push("POST /api/restart", restart));
    EXPECT_TRUE(queue.pending_restart("b", false));
    EXPECT_FALSE(queue.pending_restart("a", true)) << "it names b";
    restart.script.clear();
    ASSERT_TRUE(queue.push("POST /api/restart", restart));
    EXPECT_TRUE(queue.pending_restart("a", true)) << "no name: the first's";
    EXPECT_FALSE(queue.pending_restart("c", false));
    queue.pop(0ms);
    queue.pop(0ms);
    EXPECT_FALSE(queue.pending_restart("b", false)) << "taken";
}

// A request that stops waiting is told whether its action runs, and its
// result goes to `late` once, whichever thread is first.
TEST(ServeQueue, AResultAfterTheRequestStoppedWaitingGoesToLate) {
    action_queue queue;
    request_outcome step;
    step.ok = true;
    step.step = "button 1 Sleep \"3000\"";
    auto queued = queue.push("POST /api/button", step), running = queue.push("POST /api/button", step);
    ASSERT_TRUE(queue.pop(0ms)); // the first is taken up; the second waits its turn
    std::vector<std::string> late;
    const auto to_late = [&](const live_result& r) { late.push_back(r.step); };
    bool taken = true;
    EXPECT_FALSE(running->wait_for(1ms, to_late, taken));
    EXPECT_FALSE(taken);
    EXPECT_FALSE(queued->wait_for(1ms, to_late, taken));
    EXPECT_TRUE(taken);
    live_result done;
    done.ok = true;
    done.step = "first";
    queued->set_value(done);
    queued->set_value(done); // given once
    EXPECT_EQ(late, std::vector<std::string>{"first"});

    auto prompt = queue.push("POST /api/button", step); // answered within the wait: no late result
    prompt->set_value(done);
    const auto r = prompt->wait_for(0ms, to_late, taken);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->step, "first");
    EXPECT_EQ(late.size(), 1u);
}

} // namespace
