// "panel_host serve-panel LIBRARY [options]", not listed in the help: the
// panel's own process under "serve" (panel_process/main_loop.h).
#include "commands/subcommands.h"
#include "panel_process/main_loop.h"

#include <memory>

namespace quon::host {

void add_serve_panel_command(CLI::App& app, int& exitStatus) {
    auto request = std::make_shared<run_request>();
    CLI::App* cmd = app.add_subcommand("serve-panel", "the panel's own process under serve");
    cmd->group(""); // not for people: serve starts it
    cmd->add_option("PANEL_LIBRARY", request->library)->required();
    cmd->add_option("--base", request->options.basePath);
    cmd->add_option("--devices", request->devicesFile);
    cmd->add_option("--scenario", request->scenarioFile);
    cmd->add_option("--record", request->outputs); // only checked against the inputs
    add_number_option(*cmd, "--timeout", request->timeout, 0, 86400, "");
    cmd->add_flag("--one-of-several", request->oneOfSeveral);
    cmd->callback([request, &exitStatus] { exitStatus = run_panel_process(*request); });
}

} // namespace quon::host
