#include "validation/failure_recorder.h"

#include "base/output_file.h"
#include "scenario/format.h"
#include "base/private_file.h"

#include <cstdio>
#include <sstream>

namespace quon::host {

namespace {

// A case, like a scenario, holds at most 16 MiB; the journal a few cases' worth.
constexpr std::size_t maxLifeBytes = maxScenarioBytes / 2, maxJournalBytes = 4 * maxScenarioBytes;

std::size_t bytes_of(const std::vector<std::string>& steps) {
    std::size_t n = 0;
    for (const std::string& s : steps) n += s.size() + 1;
    return n;
}

} // namespace

std::string unsayable_check(const std::string& check) {
    if (check == "null host") return "the check's script has no host, which a scenario cannot give";
    if (check == "threads") return "the check runs scripts on several threads at once; a scenario plays one";
    return "";
}

std::string devices_step_for(const std::string& devicesFile) {
    if (devicesFile.empty()) return "";
    return write_step(devices_step{full_path(devicesFile)});
}

void note_left_out(saved_case& c, std::size_t leftOut, const std::string& first) {
    if (leftOut == 0) return;
    c.notes.push_back(std::to_string(leftOut) + " events of the script's life are left out: no scenario step gives " +
                      "them (the first: " + first + ")");
}

failure_recorder::failure_recorder(recorder_setup setup) : setup_(std::move(setup)) {
    std::string error;
    if (!setup_.journal.empty()) journal_ = open_private_file(setup_.journal, error);
    if (journal_ == noFile && !setup_.journal.empty()) std::fprintf(stderr, "panel_host: %s\n", error.c_str());
}

failure_recorder::~failure_recorder() {
    if (journal_ != noFile) close_file(journal_);
}

void failure_recorder::journal(const std::string& line) {
    if (journal_ == noFile || journalBytes_ > maxJournalBytes) return;
    journalBytes_ += line.size() + 1;
    const std::string entry = journalBytes_ > maxJournalBytes ? std::string("F\n") : line + "\n";
    write_file(journal_, entry.data(), entry.size());
}

void failure_recorder::begin_check(const std::string& check) {
    check_ = check;
    unsaid_ = unsayable_check(check);
    alive_.clear();
    if (journal_ != noFile) truncate_file(journal_);
    journalBytes_ = 0;
    journal("C " + check);
}

int failure_recorder::new_life() {
    if (!unsaid_.empty()) return 0; // other threads call too: nothing is touched
    alive_[++lives_];
    journal("L " + std::to_string(lives_));
    return lives_;
}

void failure_recorder::event(int number, const validate_event& e) {
    auto it = alive_.find(number);
    if (it == alive_.end()) return;
    life& l = it->second;
    const std::optional<std::string> step = e.as_step();
    if (step && bytes_of(l.steps) + step->size() < maxLifeBytes) {
        l.steps.push_back(*step);
        journal("S " + std::to_string(number) + " " + *step);
        return;
    }
    const std::string what =
        step ? "a step past the case's bound of " + std::to_string(maxLifeBytes) + " bytes" : e.describe();
    if (l.leftOut++ == 0) l.firstLeftOut = what;
    journal("X " + std::to_string(number) + " " + what);
}

void failure_recorder::fault(int number, const std::string& kind, const std::string& what) {
    auto it = alive_.find(number);
    if (it != alive_.end() && saved_.insert(kind).second) save(kind, what, &it->second);
}

void failure_recorder::finding(const std::string& kind, const std::string& what) {
    if (saved_.insert(kind).second) save(kind, what, nullptr);
}

void failure_recorder::end_life(int number) { alive_.erase(number); }

bool failure_recorder::save(const std::string& kind, const std::string& what, const life* history) {
    saved_case c;
    c.check = check_;
    c.kind = kind;
    c.fault = what;
    c.strict = true;
    c.devicesStep = devices_step_for(setup_.devicesFile);
    if (history) {
        c.steps = history->steps;
        note_left_out(c, history->leftOut, history->firstLeftOut);
    } else {
        c.notes.push_back(unsaid_.empty() ? "the fault was found over the whole check, not in one script's life"
                                          : unsaid_ + ": saved without the script's events");
    }
    std::string error;
    const std::string file = reserve_case_file(setup_.dir, c, error);
    if (!file.empty() && write_file_privately(file, case_text(c, setup_.library, file), error)) return true;
    std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
    return false;
}

saved_case case_from_journal(const std::string& journal, const std::string& kind, const std::string& devicesFile) {
    saved_case c;
    c.kind = kind;
    c.devicesStep = devices_step_for(devicesFile);
    std::map<int, std::vector<std::string>> steps;
    std::map<int, std::pair<std::size_t, std::string>> leftOut;
    int last = 0;
    bool full = false;
    std::istringstream lines(journal);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 2) {
            full = full || line == "F";
            continue;
        }
        if (line[0] == 'C') c.check = line.substr(2);
        if (line[0] != 'L' && line[0] != 'S' && line[0] != 'X') continue;
        const std::size_t space = line.find(' ', 2);
        last = std::atoi(line.substr(2, space - 2).c_str());
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (line[0] == 'L') steps[last].clear(), leftOut.erase(last);
        else if (line[0] == 'S') steps[last].push_back(rest);
        else if (leftOut[last].first++ == 0) leftOut[last].second = rest;
    }
    c.steps = steps[last];
    if (!unsayable_check(c.check).empty()) c.notes.push_back(unsayable_check(c.check) + ": saved without its events");
    note_left_out(c, leftOut[last].first, leftOut[last].second);
    if (full) c.notes.push_back("the script's life was too long to keep whole: the case may not reproduce it");
    if (c.check.empty()) c.check = "load";
    return c;
}

} // namespace quon::host
