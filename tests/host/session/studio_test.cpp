// studio: several scripts on one device model. Two that answer each
// other's routes for ever are stopped at the change bound, counted, in each
// action anew, with one problem naming the action.
#include "scenario/format.h"
#include "scenario/runner.h"
#include "session/panel_library.h"
#include "session/studio.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quon::host;

namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

} // namespace

TEST(Studio, ScriptsAnsweringEachOtherStopAtTheChangeBoundOfEachAction) {
    panel_library ping, pong;
    std::string error;
    ASSERT_TRUE(ping.open(HOST_STUDIO_PING, error)) << error;
    ASSERT_TRUE(pong.open(HOST_STUDIO_PONG, error)) << error;
    run_options options;
    ASSERT_EQ(read_devices_file(HOST_STUDIO_DEVICES, options.devices, error), load_result::ok) << error;
    scenario s;
    ASSERT_TRUE(parse_scenario("route 9 1\nroute 9 3\nsay done\n", "s.scn", s, error)) << error;
    std::ostringstream out;
    scenario_runner runner({{"ping", ping.factory(), "ping"}, {"pong", pong.factory(), "pong"}}, options, out);
    runner.run(s);
    const std::string text = out.str();
    const std::string told = "> kind 1 revertive", dropped = "the scripts keep changing devices for each other";
    std::size_t from = text.find("step 1 s.scn:1");
    const std::pair<const char*, const char*> steps[] = {{"route 9 1", "step 2 s.scn:2"},
                                                         {"route 9 3", "step 3 s.scn:3"}};
    for (const auto& [source, next] : steps) { // each step bounded anew, and named
        const std::size_t to = text.find(next);
        ASSERT_NE(to, std::string::npos) << next;
        const std::string step = text.substr(from, to - from);
        EXPECT_EQ(count(step, told), change_bound::maxChangesPerAction) << next;
        EXPECT_EQ(count(step, dropped), 1u) << next;
        EXPECT_EQ(count(step, "! \"" + std::string(source) + "\": " + dropped), 1u) << next;
        from = to;
    }
}
