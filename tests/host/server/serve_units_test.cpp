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

    std::vector<std::future<live_result>> pending;
    for (std::size_t i = 0; i < action_queue::limit; ++i) pending.push_back(*queue.push("POST", first));
    EXPECT_FALSE(queue.push("POST", first)); // full
    queue.close();
    for (auto& f : pending) {
        ASSERT_EQ(f.wait_for(0ms), std::future_status::ready);
        EXPECT_EQ(f.get().error, "the server is stopping");
    }
    EXPECT_FALSE(queue.push("POST", first));
}

} // namespace
