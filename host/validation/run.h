// run: "panel_host validate" itself: loads the library, runs every
// check in turn and prints a line for each: PASS or FAIL, the check's name,
// what it did or what went wrong, then the debugger texts the scripts wrote
// during the check, and the findings gathered over all checks.
#ifndef HOST_VALIDATION_RUN_H
#define HOST_VALIDATION_RUN_H

#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

struct validate_request {
    std::string library, devicesFile;
    // --hints and --scenario: names and values the panel cares about (validation/panel_values.h).
    std::string hintsFile;
    std::vector<std::string> valueScenarios;
    std::string saveDir; // --save-failures: each fault saved there as a scenario, cut down
    std::uint64_t seed = 0;
    std::int64_t events = 20000, timeout = 120;
    bool seeded = false;
};

// The exit status (base/exit_status.h): 0 every check passed, 1 one failed,
// 2 no library or devices file to check, 5 one could not be read.
int run_validation(const validate_request& request);

} // namespace quon::host

#endif
