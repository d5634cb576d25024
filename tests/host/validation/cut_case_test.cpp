// cut_case against a fake replay: the note says how often the fault came
// back, minimality is claimed only when every replay gave it, and the fault
// names the step's own line in the case as saved.
#include "validation/cut_case.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace quon::host;

namespace {

// The line of `step` in the case's text (1 first), 0 when it is not there.
std::size_t line_of(const saved_case& c, const std::string& step) {
    std::istringstream lines(case_text(c, "/lib/p.so", "/cases/x.scn"));
    std::size_t n = 0;
    for (std::string line; std::getline(lines, line);)
        if (++n, line == step) return n;
    return 0;
}

// A crash at step "button 1 Fire", when "button 1 Arm" came before it, as
// "panel_host run" names it; `gives(replay number)` says whether a replay
// that could crash does.
struct fake_panel {
    std::function<bool(int)> gives = [](int) { return true; };
    int replays = 0;

    fault_signature operator()(const saved_case& c) {
        ++replays;
        const auto& s = c.steps;
        const auto arm = std::find(s.begin(), s.end(), "button 1 Arm"),
                   fire = std::find(s.begin(), s.end(), "button 1 Fire");
        if (arm == s.end() || fire < arm || fire == s.end() || !gives(replays)) return {0, "", ""};
        const std::string step = "step " + std::to_string(fire - s.begin() + 1);
        return {3,
                "the panel crashed (SIGSEGV) during " + step + " (/cases/x.scn:" + std::to_string(line_of(c, *fire)) +
                    ": button 1 Fire)",
                "the panel crashed (SIGSEGV)"};
    }
};

saved_case history_case() {
    saved_case c;
    c.check = "controls";
    c.kind = "crash";
    c.fault = "the panel crashed or ended the process";
    c.notes = {"an earlier note"};
    c.steps = {"button 1 Take", "button 1 Arm", "button 2 Take", "button 1 Fire", "button 3 Take"};
    return c;
}

TEST(cut_case, says_how_often_the_fault_came_back_and_claims_only_what_it_proved) {
    struct row {
        const char* what;
        std::function<bool(int)> gives;
        const char* note; // in the cut's note
        bool minimalClaimed;
    };
    const row rows[] = {
        {"every replay", [](int) { return true; }, "5 of 5 replays of the whole case and 5 of 5", true},
        {"three in five", [](int n) { return n % 5 < 3; }, "3 of 5 replays of the whole case", false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        fake_panel panel;
        panel.gives = r.gives;
        saved_case c = history_case();
        EXPECT_EQ(quon::host::cut_case(c, std::ref(panel), cut_bounds{}), cut_outcome::cut);
        const std::string& note = c.notes.back();
        EXPECT_NE(note.find(r.note), std::string::npos) << note;
        EXPECT_EQ(note.find("no single step can go") != std::string::npos, r.minimalClaimed) << note;
        EXPECT_EQ(note.find("random") != std::string::npos, !r.minimalClaimed) << note;
        EXPECT_LE(panel.replays, 60);
        if (r.minimalClaimed) {
            EXPECT_EQ(c.steps, (std::vector<std::string>{"button 1 Arm", "button 1 Fire"}));
        }
        // The fault names the line "button 1 Fire" has in the case as written.
        const std::string at = "x.scn:" + std::to_string(line_of(c, "button 1 Fire")) + ":";
        EXPECT_NE(c.fault.find(at), std::string::npos) << c.fault << "\n" << case_text(c, "/lib/p.so", "/cases/x.scn");
    }
}

// A case whose fault is the process's end takes the replay's words (they
// name the step's line); a check's finding keeps the check's, whatever
// either says.
TEST(cut_case, takes_the_replays_words_only_for_a_process_end) {
    const struct {
        const char* kind;
        const char* fault;
        bool replaced;
    } rows[] = {
        {"crash", "crashed during the soak", true},
        {"hang", "the panel did not return in time", true},
        {"answer", "the panel answered an event it was not asked", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.kind);
        fake_panel panel;
        saved_case c = history_case();
        c.kind = r.kind;
        c.fault = r.fault;
        EXPECT_EQ(quon::host::cut_case(c, std::ref(panel), cut_bounds{}), cut_outcome::cut);
        EXPECT_EQ(c.fault != r.fault, r.replaced) << c.fault;
    }
}

TEST(cut_case, a_fault_that_never_comes_back_leaves_the_case_whole) {
    fake_panel panel;
    panel.gives = [](int) { return false; };
    saved_case c = history_case();
    EXPECT_EQ(quon::host::cut_case(c, std::ref(panel), cut_bounds{}), cut_outcome::not_reproduced);
    EXPECT_EQ(c.steps, history_case().steps);
    EXPECT_NE(c.notes.back().find("does not reproduce this fault"), std::string::npos);
    EXPECT_EQ(c.fault, history_case().fault);
    // A fuzz target's out-of-memory is not cut against whatever a run gives.
    c = history_case();
    c.kind = "out-of-memory";
    c.fault = "the panel used more memory than the fuzzer allows (2048 MB)";
    panel.gives = [](int) { return true; };
    EXPECT_EQ(quon::host::cut_case(c, std::ref(panel), cut_bounds{}), cut_outcome::not_reproduced);
    EXPECT_EQ(c.steps, history_case().steps);
    EXPECT_EQ(c.fault, "the panel used more memory than the fuzzer allows (2048 MB)");
    // Replayed within the fuzzer's bound, run gives it.
    c.memoryLimitMb = 2048;
    EXPECT_EQ(quon::host::cut_case(c, std::ref(panel), cut_bounds{}), cut_outcome::cut);
}

} // namespace
