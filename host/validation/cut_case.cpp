// cut_case: a saved case cut down, with how often its fault came back.
#include "validation/cut_case.h"

#include "base/input_file.h"
#include "base/private_file.h"
#include "base/utf8_text.h"
#include "process/subprocess.h"
#include "process/this_process.h"
#include "scenario/format.h"
#include "validation/cut_steps.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace quon::host {

namespace {

std::vector<std::string> pick(const std::vector<std::string>& steps, const std::vector<std::size_t>& kept) {
    std::vector<std::string> out;
    for (std::size_t i : kept) out.push_back(steps[i]);
    return out;
}

std::string seconds_since(std::chrono::steady_clock::time_point start) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return text;
}

std::string came_back(int hits, int replays, const char* what) {
    return std::to_string(hits) + " of " + std::to_string(replays) + " replays of the " + what;
}

// The case's faults as the replays give them: the first that names one is
// the target; each later replay counts when it gives the same.
class fault_tally {
public:
    fault_tally(saved_case& c, const case_replay_fn& replay)
        : case_(c), replay_(replay), fromReplay_(ends_the_process(c.kind)) {}

    // Plays `candidate` once; true when it gave the target, whose line (it
    // names the candidate's steps, which the cut case keeps) is taken then.
    bool recurs(const saved_case& candidate) {
        const fault_signature got = replay_(candidate);
        if (target_.kind.empty() && !got.kind.empty()) target_ = got;
        if (got.kind.empty() || !got.same(target_)) {
            lastStatus_ = got.status;
            return false;
        }
        if (fromReplay_) case_.fault = got.fault;
        return true;
    }
    int replays_of(const saved_case& candidate, int replays) {
        int hits = 0;
        for (int i = 0; i < replays; ++i) hits += recurs(candidate) ? 1 : 0;
        return hits;
    }
    int last_status() const { return lastStatus_; }

private:
    saved_case& case_;
    const case_replay_fn& replay_;
    fault_signature target_;
    bool fromReplay_;
    int lastStatus_ = -1;
};

std::string minimality(const cut_result& cut, bool random) {
    if (random) return "the fault is random, so steps may remain that can go";
    if (!cut.minimal) return "stopped at the bound on candidates, so steps may remain that can go";
    return "no single step can go";
}

} // namespace

cut_outcome cut_case(saved_case& c, const case_replay_fn& replay, const cut_bounds& bounds) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> steps = c.steps;
    // The cut's note has its line from the first replay on, so that the line
    // a replay names is the step's line in the case as saved.
    c.notes.emplace_back();
    std::string& note = c.notes.back();
    if (!run_can_replay(c)) {
        note = "\"panel_host run\" has no leak check, nor a memory bound unless given one, to give a fault of kind " +
               c.kind + "; the case was not cut";
        return cut_outcome::not_reproduced;
    }
    fault_tally tally(c, replay);
    const int wholeHits = tally.replays_of(c, bounds.replays);
    if (wholeHits == 0) {
        note = "\"panel_host run\" does not reproduce this fault (exit status " + std::to_string(tally.last_status()) +
               ", " + std::to_string(bounds.replays) + " replays); the case was not cut";
        return cut_outcome::not_reproduced;
    }
    const bool random = wholeHits < bounds.replays;
    const int tries = random ? bounds.triesOfRandom : 1;
    saved_case header = c; // the candidates' comment lines, copied once, not with every candidate
    header.steps.clear();
    auto recurs = [&](const std::vector<std::size_t>& kept) {
        saved_case candidate = header;
        candidate.steps = pick(steps, kept);
        for (int i = 0; i < tries; ++i)
            if (tally.recurs(candidate)) return true;
        return false;
    };
    const cut_result cut = steps.empty() ? cut_result{} : cut_steps(steps.size(), recurs, bounds.maxCandidates);
    c.steps = pick(steps, cut.kept);
    const int cutHits = tally.replays_of(c, bounds.replays);
    note = "cut from " + std::to_string(steps.size()) + " steps to " + std::to_string(c.steps.size()) + ", " +
           std::to_string(cut.candidates) + " candidates played in " + seconds_since(start) +
           "; the fault came back in " + came_back(wholeHits, bounds.replays, "whole case") + " and " +
           came_back(cutHits, bounds.replays, "cut one") + "; " + minimality(cut, random || cutHits < bounds.replays);
    return cut_outcome::cut;
}

namespace {

// Text a scenario can be: no NUL byte, and mostly not control bytes.
bool looks_like_text(const std::string& text) {
    std::size_t controls = 0;
    for (unsigned char ch : text) {
        if (ch == 0) return false;
        if (ch < 0x20 && ch != '\n' && ch != '\r' && ch != '\t') ++controls;
    }
    return controls * 100 <= text.size();
}

} // namespace

cut_outcome cut_saved_case(const std::string& library, const std::string& file, int timeout, std::string& replay) {
    std::string text, error;
    saved_case c;
    if (read_input_file(file, "saved case", maxScenarioBytes, text, error) != load_result::ok) {
        std::fprintf(stderr, "panel_host: %s\n", error.c_str());
        return cut_outcome::unreadable;
    }
    if (!looks_like_text(text)) return cut_outcome::not_a_scenario;
    if (!read_case(text, c)) return cut_outcome::not_a_case;
    if (c.kind == hangCase) c.timeout = timeout;
    const replay_setup setup{own_program(), library, timeout};
    const std::string candidateFile = file + ".candidate-" + std::to_string(own_process_id());
    auto play = [&](const saved_case& candidate) {
        std::remove(candidateFile.c_str());
        if (!write_saved_case(candidate, library, candidateFile)) return fault_signature{};
        fault_signature got = replay_case(setup, candidateFile, c);
        const std::size_t at = got.fault.find(candidateFile);
        if (at != std::string::npos) got.fault.replace(at, candidateFile.size(), file);
        return got;
    };
    const cut_outcome outcome = cut_case(c, play, cut_bounds{});
    std::remove(candidateFile.c_str());
    replay = replay_command(c, library, file);
    return write_saved_case(c, library, file) ? outcome : cut_outcome::not_written;
}

} // namespace quon::host
