// run: "panel_host validate" itself: loads the library, runs every
// check in turn and prints a line for each: PASS or FAIL, the check's name,
// what it did or what went wrong, then the debugger texts the scripts wrote
// during the check, and the findings gathered over all checks.
#ifndef HOST_VALIDATION_RUN_H
#define HOST_VALIDATION_RUN_H

#include "validation/checks.h"

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

// What validate found: the caller switches on it (validate's exit status).
enum class validate_outcome {
    all_passed,
    checks_failed,
    library_not_loaded, // no library to check: a bad argument, as for run
    input_invalid,      // a devices, hints or scenario file is none
    input_unreadable,   // one of them cannot be read
};

validate_outcome run_validation(const validate_request& request);

// A check's line as validate prints it: PASS or FAIL, the name, and the
// detail escaped (it quotes what the panel sent).
std::string check_line(const std::string& name, const check_result& r);

} // namespace quon::host

#endif
