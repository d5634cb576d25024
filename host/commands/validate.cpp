// "panel_host validate PANEL_LIBRARY [--seed N] [--events N] [--timeout S] [--devices FILE]
// [--scenario FILE...] [--hints FILE] [--save-failures DIR]".
// Loads the library, runs every check in turn and prints a line for each:
// PASS or FAIL, the check's name, what it did or what went wrong, then the
// debugger texts the scripts wrote during the check. The random
// parts come from one seed, printed first; --seed replays a run exactly.
// Exit status 0 when every check passed, 1 when one failed, 3 or 4 when the
// script crashed, hung or ended the process (the check that was running is
// named; the checks run in a guarded process), 2 for bad
// arguments (a devices file that is none, or a library that does not load,
// included), 5 when one could not be read.
#include "base/exit_status.h"
#include "commands/subcommands.h"
#include "session/guarded_process.h"
#include "validation/run.h"
#include "validation/save_failures.h"

#include <cstdio>
#include <memory>

namespace quon::host {

namespace {

int exit_status(validate_outcome outcome) {
    switch (outcome) {
    case validate_outcome::all_passed:
        return exitAllHeld;
    case validate_outcome::checks_failed:
        return exitExpectationFailed;
    case validate_outcome::library_not_loaded:
    case validate_outcome::input_invalid:
        return exitUsage;
    case validate_outcome::input_unreadable:
        break;
    }
    return exitEmulatorFault;
}

} // namespace

void add_validate_command(CLI::App& app, int& exitStatus) {
    auto a = std::make_shared<validate_request>();
    CLI::App* cmd = app.add_subcommand("validate", "check what every panel script owes its host, one line per check");
    add_library_argument(*cmd, a->library);
    add_number_option(*cmd, "--seed", a->seed, UINT64_MAX,
                      "seed of the random events and replies (default: a new one, printed); replays a run exactly")
        ->each([a](const std::string&) { a->seeded = true; })
        ->default_str("");
    add_number_option(*cmd, "--events", a->events, 0, 1000000000, "random events for the random check");
    cmd->add_option("--devices", a->devicesFile,
                    "a devices file whose commands the panel may send and whose timers tick while its controls "
                    "are pressed")
        ->type_name("FILE");
    cmd->add_option("--scenario", a->valueScenarios,
                    "a scenario of the panel's: the properties, values and controls its steps name are tried by the "
                    "random and controls checks (several may be given)")
        ->type_name("FILE");
    cmd->add_option("--hints", a->hintsFile,
                    "a hints file: properties, values and controls the panel cares about, for the same checks")
        ->type_name("FILE");
    add_number_option(*cmd, "--timeout", a->timeout, 0, 86400, "give up on a check after SECONDS (0: never)")
        ->type_name("SECONDS");
    cmd->add_option("--save-failures", a->saveDir,
                    "write each fault found to DIR as a scenario that replays it, cut down to the fewest steps")
        ->type_name("DIR");
    cmd->callback([a, &exitStatus] {
        // The worker (on Windows this program started again) finds the journal made for it.
        std::unique_ptr<failure_saving> saving;
        if (!a->saveDir.empty() && worker_journal().empty()) {
            saving.reset(new failure_saving);
            std::string error;
            if (!saving->prepare(*a, error)) {
                std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
                exitStatus = exitEmulatorFault;
                return;
            }
        }
        exitStatus = run_guarded([a] { return exit_status(run_validation(*a)); });
        if (saving) exitStatus = saving->finish(exitStatus);
    });
}

} // namespace quon::host
