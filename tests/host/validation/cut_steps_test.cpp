// The cutter against a fake "does the fault recur" predicate: the cut is
// 1-minimal, the whole list and repeats are never played, and the number of
// candidates stays near k log n for k steps needed out of n.
#include "allocation_count.h"
#include "validation/cut_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace quon::host;

namespace {

struct cut_case {
    const char* name;
    std::size_t count;
    std::vector<std::size_t> needed;  // the fault recurs while all of these are kept ...
    std::vector<std::size_t> spoiler; // ... and none of these
    std::vector<std::size_t> expected;
    std::size_t maxCandidates; // at most this many played
};

bool has(const std::vector<std::size_t>& list, std::size_t i) {
    return std::find(list.begin(), list.end(), i) != list.end();
}

TEST(cut_steps, cuts_to_a_one_minimal_case_in_few_candidates) {
    const cut_case cases[] = {
        {"two presses among 61 steps", 61, {12, 60}, {}, {12, 60}, 40},
        {"the last of 100", 100, {99}, {}, {99}, 20},
        {"the first of 1000", 1000, {0}, {}, {0}, 30},
        {"none needed: the fault comes at start-up", 10, {}, {}, {}, 1},
        {"the one step needed", 1, {0}, {}, {0}, 1},
        {"every step needed", 6, {0, 1, 2, 3, 4, 5}, {}, {0, 1, 2, 3, 4, 5}, 12},
        {"a step that hides the fault goes too", 20, {5}, {2}, {5}, 20},
        {"three apart", 256, {7, 100, 255}, {}, {7, 100, 255}, 80},
    };
    for (const cut_case& c : cases) {
        std::set<std::vector<std::size_t>> asked;
        std::vector<std::size_t> whole(c.count);
        for (std::size_t i = 0; i < c.count; ++i) whole[i] = i;
        const recurs_fn recurs = [&](const std::vector<std::size_t>& candidate) {
            EXPECT_TRUE(asked.insert(candidate).second) << c.name << ": a candidate played twice";
            EXPECT_NE(candidate, whole) << c.name << ": the whole list played";
            EXPECT_TRUE(std::is_sorted(candidate.begin(), candidate.end())) << c.name;
            for (std::size_t i : c.needed)
                if (!has(candidate, i)) return false;
            for (std::size_t i : c.spoiler)
                if (has(candidate, i)) return false;
            return true;
        };
        const cut_result cut = cut_steps(c.count, recurs, 1000);
        EXPECT_EQ(cut.kept, c.expected) << c.name;
        EXPECT_TRUE(cut.minimal) << c.name;
        EXPECT_EQ(cut.candidates, asked.size()) << c.name;
        EXPECT_LE(cut.candidates, c.maxCandidates) << c.name;
        // 1-minimal: dropping any one step kept loses the fault.
        for (std::size_t drop = 0; drop < cut.kept.size(); ++drop) {
            std::vector<std::size_t> less = cut.kept;
            less.erase(less.begin() + static_cast<std::ptrdiff_t>(drop));
            asked.erase(less);
            EXPECT_FALSE(recurs(less)) << c.name << ": step " << cut.kept[drop] << " could go";
        }
    }
}

TEST(cut_steps, stops_at_the_bound_and_says_so) {
    std::size_t played = 0;
    const cut_result cut = cut_steps(
        64,
        [&](const std::vector<std::size_t>& candidate) {
            ++played;
            return has(candidate, 1) && has(candidate, 50);
        },
        3);
    EXPECT_EQ(played, 3u);
    EXPECT_EQ(cut.candidates, 3u);
    EXPECT_FALSE(cut.minimal);
    EXPECT_TRUE(has(cut.kept, 1) && has(cut.kept, 50)); // what is kept still fails
}

// The candidates played are remembered by fingerprint, not kept: cutting
// 100,000 steps through 400 candidates allocates about what the candidates
// themselves take, not a copy of each besides (400 of a million steps would
// hold gigabytes).
TEST(cut_steps, keeps_no_copy_of_the_candidates_it_played) {
    std::size_t played = 0, candidateBytes = 0;
    const allocation_tally cost = allocations_of([&] {
        cut_steps(
            100000,
            [&](const std::vector<std::size_t>& candidate) {
                ++played;
                candidateBytes += candidate.size() * sizeof(std::size_t);
                return false;
            },
            400);
    });
    EXPECT_EQ(played, 400u);
    EXPECT_LE(cost.bytes, candidateBytes + candidateBytes / 4 + (1u << 20)) << candidateBytes << " in candidates";
}

} // namespace
