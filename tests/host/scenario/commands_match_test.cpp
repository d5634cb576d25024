// commands_match: the glob rule of an expect-commands block ("..." for any run
// of commands), and its memory, which stays linear in the two lists.
#include "allocation_count.h"
#include "scenario/runner.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

using list = std::vector<std::string>;

// Cases where a greedy match must fall back inside a run (a partial match
// that fails on a later line), and where the block's ends are anchored.
TEST(CommandsMatchRule, FallsBackAndAnchorsItsEnds) {
    struct match_case {
        list expected, got;
        bool match;
    };
    const match_case cases[] = {
        {{"...", "a", "a", "b", "..."}, {"a", "a", "a", "b"}, true},
        {{"...", "a", "b", "a", "c", "..."}, {"a", "b", "a", "b", "a", "c"}, true},
        {{"...", "a", "b", "...", "b", "c", "..."}, {"a", "b", "c"}, false}, // runs may not overlap
        {{"a", "...", "b"}, {"a", "b"}, true},
        {{"a", "b", "...", "b", "c"}, {"a", "b", "c"}, false}, // the two ends overlap
        {{"a", "...", "...", "c"}, {"a", "c"}, true},
        {{"...", "c", "..."}, {"c"}, true},
        {{"...", "b"}, {"b", "a"}, false},
        {{"b", "..."}, {"a", "b"}, false},
    };
    for (const match_case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.expected) + " against " + ::testing::PrintToString(c.got));
        EXPECT_EQ(commands_match(c.expected, c.got), c.match);
    }
}

// A long block against a long list used to take a table of every pair
// (lines x commands bytes); the match now takes memory for the block alone.
TEST(CommandsMatchRule, MemoryLinearInTheLists) {
    const std::size_t lines = 2000, commands = 20000;
    list expected, got;
    for (std::size_t i = 0; i < lines; ++i) {
        expected.push_back("...");
        expected.push_back("TP " + std::to_string(i));
    }
    expected.push_back("...");
    for (std::size_t i = 0; i < commands; ++i) got.push_back("TP " + std::to_string(i % (2 * lines)));
    bool matched = false;
    const allocation_tally cost = allocations_of([&] { matched = commands_match(expected, got); });
    EXPECT_TRUE(matched);
    EXPECT_LE(cost.bytes, 4 * sizeof(std::size_t) * (expected.size() + 1)) << cost.bytes << " bytes";
}

} // namespace
