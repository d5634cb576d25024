// saved_findings: soak --save-failures: each finding written as a scenario
// in validate's saved-case form (validation/saved_case.h), made new in the
// folder as validate makes its cases. A growth or a CPU growth is shown by
// the last events of its kind played over as many times as its replay
// needs to show it; an event over the budget and a fault by the events up
// to it. A finding's case replays with run --measure (soak/measured_run.h),
// which judges it by the soak's rules. Not cut: the cutter compares faults,
// not measures.
#ifndef HOST_SOAK_SAVED_FINDINGS_H
#define HOST_SOAK_SAVED_FINDINGS_H

#include "soak/player.h"
#include "soak/stretch.h"
#include "soak/verdict.h"

#include <string>
#include <vector>

namespace quon::host {

struct soak_save_setup {
    std::string dir;
    std::vector<std::string> libraries; // as given, for the replay command
    std::string devicesFile;
    bool several = false; // a studio: steps are preceded by "script NAME"
    std::int64_t budgetMs = defaultBudgetMs;
};

// The most steps a finding's case plays.
constexpr std::int64_t maxReplaySteps = 50000;
// How often a stretch of `stretch` events is played over so that its
// replay shows the finding: a growth reaches four times its floor at the
// slope the soak found; a CPU growth plays as many events of its kind as
// the soak did (its last ones then cost as much); a growth no kind
// explains, ten times over; at least once, within maxReplaySteps.
int replay_repeats(const soak_finding& f, std::int64_t kindEvents, std::size_t stretch);

// The steps of a stretch, "script NAME" put where the script changes (a
// studio); `leftOut` counts the events no step gives, `firstLeftOut` names one.
std::vector<std::string> stretch_steps(const std::vector<said_step>& stretch, bool several, int repeats,
                                       std::size_t& leftOut, std::string& firstLeftOut);

// Writes one case per finding and fault (`tally`: the events of each kind);
// the files written, or false with why.
bool save_soak_findings(const soak_save_setup& setup, const std::vector<soak_finding>& findings,
                        const soak_faults& faults, const soak_stretches& stretches, const soak_tally& tally,
                        std::vector<std::string>& files, std::string& error);

// The watcher, after the worker ended with a panel's fault (`status` 3 or
// 4): the journal's steps saved as a case, cut down as validate's are when
// one library was soaked. The status to exit with.
int save_soak_crash(const soak_save_setup& setup, const std::vector<said_step>& journal, int status);

} // namespace quon::host

#endif
