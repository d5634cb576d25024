#include "validation/save_failures.h"

#include "base/exit_status.h"
#include "base/input_file.h"
#include "base/output_file.h"
#include "base/private_file.h"
#include "process/this_process.h"
#include "scenario/format.h"
#include "validation/cut_steps.h"
#include "validation/failure_recorder.h"
#include "validation/replay.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quon::host {

namespace {

const char journalVariable[] = "QUON_VALIDATE_JOURNAL";
// Each candidate is a fresh run; a few hundred bound the cut's time.
constexpr std::size_t maxCandidates = 400;
// A hang costs a candidate this long, or validate's own --timeout when shorter.
constexpr int candidateTimeout = 10;

void set_journal_variable(const std::string& value) { set_environment_variable(journalVariable, value); }

std::set<std::string> cases_in(const std::string& dir) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error))
        if (entry.path().extension() == ".scn" && entry.is_regular_file(error)) names.insert(entry.path().string());
    return names;
}

std::string seconds_since(std::chrono::steady_clock::time_point start) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return text;
}

bool write_case(const saved_case& c, const std::string& library, const std::string& file) {
    std::string error;
    if (write_file_privately(file, case_text(c, library, file), error)) return true;
    std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
    return false;
}

} // namespace

std::string worker_journal() {
    const char* value = std::getenv(journalVariable);
    return value ? value : "";
}

bool failure_saving::prepare(const validate_request& request, std::string& error) {
    request_ = request;
    watcher_ = own_process_id();
    request_.library = full_path(request.library);
    request_.saveDir = full_path(request.saveDir);
    if (!make_directories(request_.saveDir, error)) return false;
    before_ = cases_in(request_.saveDir);
    journal_ = (std::filesystem::path(request_.saveDir) / (".journal-" + std::to_string(own_process_id()))).string();
    const native_file f = create_private_file(journal_, error);
    if (f == noFile) return false;
    close_file(f);
    set_journal_variable(journal_);
    return true;
}

failure_saving::~failure_saving() {
    if (journal_.empty() || own_process_id() != watcher_) return;
    std::remove(journal_.c_str());
    set_journal_variable("");
}

bool failure_saving::save_from_journal(int status) {
    std::string text, error;
    if (read_input_file(journal_, "journal", 8 * maxScenarioBytes, text, error) != load_result::ok) {
        std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
        return false;
    }
    saved_case c = case_from_journal(text, status == exitPanelHung ? "hang" : "crash", request_.devicesFile);
    c.fault = status == exitPanelHung ? "the panel did not return in time" : "the panel crashed or ended the process";
    return write_case(c, request_.library, case_file_name(request_.saveDir, c));
}

int failure_saving::finish(int status) {
    if (own_process_id() != watcher_) return status; // the worker, forked, returns here too
    bool written = true;
    if (status == exitPanelCrashed || status == exitPanelHung) written = save_from_journal(status);
    std::remove(journal_.c_str());
    std::vector<std::string> made;
    for (const std::string& file : cases_in(request_.saveDir))
        if (!before_.count(file)) made.push_back(file);
    const int timeout = request_.timeout > 0 && request_.timeout < candidateTimeout ? static_cast<int>(request_.timeout)
                                                                                    : candidateTimeout;
    for (const std::string& file : made)
        written = cut_saved_case(request_.library, file, timeout) != cut_outcome::not_written && written;
    if (!made.empty())
        std::printf("%zu fault%s saved as scenarios in %s\n", made.size(), made.size() == 1 ? "" : "s",
                    request_.saveDir.c_str());
    for (const std::string& file : made) std::printf("  %s\n", file.c_str());
    std::fflush(stdout);
    return written ? status : exitEmulatorFault;
}

cut_outcome cut_saved_case(const std::string& library, const std::string& file, int timeout) {
    const auto start = std::chrono::steady_clock::now();
    std::string text, error;
    saved_case c;
    if (read_input_file(file, "saved case", maxScenarioBytes, text, error) != load_result::ok) {
        std::fprintf(stderr, "panel_host: %s\n", error.c_str());
        return cut_outcome::unreadable;
    }
    if (!read_case(text, c)) return cut_outcome::not_a_case;
    const replay_setup setup{own_program(), library, timeout};
    const fault_signature target = replay_case(setup, file, c.strict, c.kind);
    if (target.kind.empty()) {
        c.notes.push_back("\"panel_host run\" does not reproduce this fault (exit status " +
                          std::to_string(target.status) + "); the case was not cut");
        return write_case(c, library, file) ? cut_outcome::not_reproduced : cut_outcome::not_written;
    }
    const bool fromReplay = c.fault.rfind("the panel ", 0) == 0; // the replay names it better
    if (fromReplay) c.fault = target.fault;
    const cut_outcome done = cut_outcome::cut;
    if (c.steps.empty()) return write_case(c, library, file) ? done : cut_outcome::not_written;
    const std::string candidateFile = file + ".candidate-" + std::to_string(own_process_id());
    const std::vector<std::string> steps = c.steps;
    auto recurs = [&](const std::vector<std::size_t>& kept) {
        saved_case candidate = c;
        candidate.steps.clear();
        for (std::size_t i : kept) candidate.steps.push_back(steps[i]);
        std::remove(candidateFile.c_str());
        if (!write_case(candidate, library, candidateFile)) return false;
        const fault_signature got = replay_case(setup, candidateFile, c.strict, c.kind);
        if (!got.same(target)) return false;
        if (fromReplay) c.fault = got.fault; // numbered as the cut case's steps
        return true;
    };
    const cut_result cut = cut_steps(steps.size(), recurs, maxCandidates);
    std::remove(candidateFile.c_str());
    const std::size_t at = c.fault.find(candidateFile);
    if (at != std::string::npos) c.fault.replace(at, candidateFile.size(), file);
    c.steps.clear();
    for (std::size_t i : cut.kept) c.steps.push_back(steps[i]);
    c.notes.push_back("cut from " + std::to_string(steps.size()) + " steps to " + std::to_string(c.steps.size()) +
                      ", " + std::to_string(cut.candidates) + " candidates played in " + seconds_since(start) +
                      (cut.minimal ? " (no single step can go)" : " (stopped at the bound on candidates)"));
    return write_case(c, library, file) ? done : cut_outcome::not_written;
}

} // namespace quon::host
