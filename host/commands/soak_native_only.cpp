// "panel_host soak" and "run --measure" in a build that cannot soak
// (Windows): the subcommand and the option are there and say so, rather
// than being unknown words.
#include "base/exit_status.h"
#include "commands/subcommands.h"

#include <cstdio>

namespace quon::host {

int play_measured_run(scenario_runner&, const scenario&, std::int64_t) {
    std::fprintf(stderr, "panel_host: run --measure is in the native build only: it measures as soak does\n");
    return exitUsage;
}

void add_soak_command(CLI::App& app, int& exitStatus) {
    CLI::App* cmd = app.add_subcommand("soak", "not in this build: soak counts through the native system's "
                                               "process files (run the native panel_host)");
    cmd->allow_extras();
    cmd->callback([&exitStatus] {
        std::fprintf(stderr, "panel_host: soak is in the native build only: it counts the panel's heap, "
                             "descriptors and threads through the native system's process files\n");
        exitStatus = exitUsage;
    });
}

} // namespace quon::host
