#include "soak/saved_findings.h"

#include "base/exit_status.h"
#include "base/output_file.h"
#include "scenario/run_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include "validation/failure_recorder.h"
#include "base/private_file.h"
#include "validation/save_failures.h"
#include "validation/saved_case.h"

namespace quon::host {

namespace {

std::string case_kind(const soak_finding& f) {
    switch (f.type) {
    case finding_type::growth:
        return std::string(f.resource == soak_resource::heap          ? "heap"
                           : f.resource == soak_resource::descriptors ? "descriptors"
                                                                      : "threads") +
               "-growth";
    case finding_type::cpu_growth:
        return std::string("cpu-growth-") + event_kind_name(f.kind);
    case finding_type::over_budget:
        return std::string("over-budget-") + event_kind_name(f.kind);
    }
    return "finding";
}

saved_case case_of(const soak_save_setup& setup, const std::string& kind, const std::string& fault,
                   const std::vector<said_step>& stretch, int repeats, const std::string& what) {
    saved_case c;
    c.finder = "panel_host soak";
    c.check = "soak";
    c.kind = kind;
    c.fault = fault;
    c.devicesStep = devices_step_for(setup.devicesFile);
    std::size_t leftOut = 0;
    std::string first;
    c.steps = stretch_steps(stretch, setup.several, repeats, leftOut, first);
    c.notes.push_back(what);
    if (leftOut > 0)
        c.notes.push_back(std::to_string(leftOut) +
                          " events are left out: no scenario step gives them (the first: " + first + ")");
    return c;
}

// A library argument with its path made full, its NAME= kept: the replay
// command holds from any folder.
std::string full_library(const std::string& argument) {
    std::vector<script_entry> scripts;
    std::vector<std::string> paths;
    std::string ignored;
    if (!name_libraries({argument}, "", scripts, paths, ignored)) return argument;
    const bool named = argument.size() > paths.front().size();
    return (named ? scripts.front().name + "=" : std::string()) + full_path(paths.front());
}

// A finding's case: replayed with --measure (and the soak's budget), not cut.
saved_case measured_case(const soak_save_setup& setup, const std::string& kind, const std::string& fault,
                         const std::vector<said_step>& stretch, int repeats, const std::string& what) {
    saved_case c = case_of(setup, kind, fault, stretch, repeats, what);
    c.measure = true;
    if (setup.budgetMs != defaultBudgetMs) c.budgetMs = setup.budgetMs;
    c.notes.push_back("not cut: the cutter compares faults, not measures");
    return c;
}

bool write_case(const soak_save_setup& setup, saved_case c, std::vector<std::string>& files, std::string& error) {
    std::string libraries;
    for (const std::string& l : setup.libraries) libraries += (libraries.empty() ? "" : " ") + full_library(l);
    const std::string file = reserve_case_file(setup.dir, c, error);
    // The case named fully too: its replay line holds from any folder.
    if (file.empty() || !write_file_privately(file, case_text(c, libraries, full_path(file)), error)) return false;
    files.push_back(file);
    return true;
}

} // namespace

std::vector<std::string> stretch_steps(const std::vector<said_step>& stretch, bool several, int repeats,
                                       std::size_t& leftOut, std::string& firstLeftOut) {
    std::vector<std::string> steps;
    std::string script;
    for (int r = 0; r < repeats; ++r)
        for (const said_step& s : stretch) {
            if (!s.sayable) {
                if (leftOut++ == 0) firstLeftOut = s.line;
                continue;
            }
            if (several && !s.script.empty() && s.script != script)
                steps.push_back(write_step(script_step{script = s.script}));
            steps.push_back(s.line);
        }
    return steps;
}

int replay_repeats(const soak_finding& f, std::int64_t kindEvents, std::size_t stretch) {
    if (stretch == 0) return 1;
    // A growth no kind explains has no slope to size it by: ten times over, as it was.
    double events = 10.0 * static_cast<double>(stretch);
    if (f.type == finding_type::growth && f.kindKnown && f.perEvent > 0)
        events = 4.0 * static_cast<double>(growth_floor(f.resource)) / f.perEvent;
    else if (f.type == finding_type::cpu_growth) events = static_cast<double>(kindEvents);
    const double most = static_cast<double>(maxReplaySteps / static_cast<std::int64_t>(stretch));
    const double repeats = std::min(std::ceil(events / static_cast<double>(stretch)), most);
    return std::max(1, static_cast<int>(repeats));
}

bool save_soak_findings(const soak_save_setup& setup, const std::vector<soak_finding>& findings,
                        const soak_faults& faults, const soak_stretches& stretches, const soak_tally& tally,
                        std::vector<std::string>& files, std::string& error) {
    if (!make_directories(setup.dir, error)) return false;
    for (const soak_finding& f : findings) {
        saved_case c;
        if (f.type == finding_type::over_budget) {
            c = measured_case(setup, case_kind(f), f.line, stretches.beforeSlowest, 1,
                              "the last " + std::to_string(stretches.beforeSlowest.size()) +
                                  " events up to the slowest over the budget");
        } else {
            const bool ofKind = f.kindKnown;
            const std::vector<said_step> stretch = ofKind ? stretches.rings.of_kind(f.kind) : stretches.rings.last();
            const int repeats = replay_repeats(f, tally.kinds()[index_of(f.kind)].events, stretch.size());
            c = measured_case(setup, case_kind(f), f.line, stretch, repeats,
                              "the stretch: the last " + std::to_string(stretch.size()) + " " +
                                  (ofKind ? std::string(event_kind_name(f.kind)) + " events" : std::string("events")) +
                                  " of the soak, played " +
                                  (repeats == 1 ? std::string("once") : std::to_string(repeats) + " times over"));
        }
        if (!write_case(setup, c, files, error)) return false;
    }
    if (faults.count > 0 && !faults.first.empty()) {
        saved_case c = case_of(setup, "faults", faults.first.front(), stretches.beforeFault, 1,
                               "the last " + std::to_string(stretches.beforeFault.size()) +
                                   " events up to the first fault; run --strict replays it");
        c.strict = true;
        c.notes.push_back("not cut: soak cuts only a crash's or a hang's case");
        if (!write_case(setup, c, files, error)) return false;
    }
    return true;
}

int save_soak_crash(const soak_save_setup& setup, const std::vector<said_step>& journal, int status) {
    const bool hang = status == exitPanelHung;
    saved_case c = case_of(
        setup, hang ? hangCase : crashCase,
        hang ? "the panel did not return in time during the soak"
             : "the panel crashed or ended the process during the soak",
        journal, 1, "the last " + std::to_string(journal.size()) + " events of the soak, up to the one it happened in");
    std::vector<std::string> files;
    std::string error;
    if (!make_directories(setup.dir, error) || !write_case(setup, c, files, error)) {
        std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
        return exitEmulatorFault;
    }
    std::string replay;
    if (setup.libraries.size() == 1 &&
        cut_saved_case(full_library(setup.libraries.front()), files.front(), 10, replay) == cut_outcome::not_written)
        status = exitEmulatorFault;
    std::printf("1 fault saved as scenarios in %s\n  %s\n", setup.dir.c_str(), files.front().c_str());
    return status;
}

} // namespace quon::host
