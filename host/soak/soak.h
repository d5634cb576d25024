// soak: "panel_host soak" itself: prepares the studio as run does (the
// libraries, the devices file, the step guard), gathers the property
// messages of the panel's scenarios, plays the traffic, judges the figures
// and prints a table per kind of event and one line per finding; with
// --report writes the page and its figures.
#ifndef HOST_SOAK_SOAK_H
#define HOST_SOAK_SOAK_H

#include "soak/crash_journal.h"
#include "soak/traffic.h"
#include "soak/verdict.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

struct soak_request {
    std::vector<std::string> libraries; // PATH or NAME=PATH, as run's
    std::string devicesFile, reportDir;
    std::string saveDir; // --save-failures: each finding saved there as a scenario
    std::int64_t days = 7, budgetMs = defaultBudgetMs, timeout = 60;
    std::uint64_t seed = 0;
    bool seeded = false;
    traffic_rates rates = traffic_rates::defaults();
    crash_journal* journal = nullptr; // made by the watcher before the worker
};

// The property messages the scenarios in the "scenarios" folder beside the
// devices file send, each once, in the order found (at most a thousand).
std::vector<std::string> scenario_properties(const std::string& devicesFile);

// The exit status (base/exit_status.h): 0 clean, 1 a finding, 2 bad inputs,
// 5 the report could not be written; a crash or hang ends the worker (3, 4).
int run_soak(const soak_request& request);

} // namespace quon::host

#endif
