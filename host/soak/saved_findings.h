// saved_findings: soak --save-failures: each finding written as a scenario
// in validate's saved-case form (validation/saved_case.h), made new in the
// folder as validate makes its cases. A growth or a CPU growth is shown by
// the last events of its kind played ten times over (run replays them; a
// heap profiler or a soak of the case shows the slope); an event over the
// budget and a fault by the events up to it. Not cut: run's replay cannot
// tell a growth, so the cutter has nothing to compare.
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
};

constexpr int stretchRepeats = 10;

// The steps of a stretch, "script NAME" put where the script changes (a
// studio); `leftOut` counts the events no step gives, `firstLeftOut` names one.
std::vector<std::string> stretch_steps(const std::vector<said_step>& stretch, bool several, int repeats,
                                       std::size_t& leftOut, std::string& firstLeftOut);

// Writes one case per finding and fault; the files written, or false with why.
bool save_soak_findings(const soak_save_setup& setup, const std::vector<soak_finding>& findings,
                        const soak_faults& faults, const soak_stretches& stretches, std::vector<std::string>& files,
                        std::string& error);

// The watcher, after the worker ended with a panel's fault (`status` 3 or
// 4): the journal's steps saved as a case, cut down as validate's are when
// one library was soaked. The status to exit with.
int save_soak_crash(const soak_save_setup& setup, const std::vector<said_step>& journal, int status);

} // namespace quon::host

#endif
