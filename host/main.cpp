// panel_host: runs a panel script library without a studio. Each subcommand
// registers itself from its own file (commands/subcommands.h); add new ones below.
#include "commands/subcommands.h"
#include "process/this_process.h"

namespace {

const char exitStatuses[] =
    "Exit status: 0 all expectations held (all checks passed), 1 one failed, 2 bad arguments, library,\n"
    "scenario or devices file, 3 the panel crashed or ended the process, 4 the panel did not return in\n"
    "time, 5 panel_host itself failed (could not read an input, write a file or allocate memory).";

} // namespace

int main(int argc, char** argv) {
    quon::host::plain_standard_output();
    CLI::App app("panel_host: runs a panel script library without a studio: plays scenarios against it in a "
                 "host emulator, or checks what every panel script owes its host.",
                 "panel_host");
    app.set_version_flag("--version", "panel_host " QUON_VERSION);
    app.require_subcommand(1);
    // CLI11 reads "/x" as an option on Windows; here it is a path (wine
    // passes Linux paths as they are), so only "-" starts an option. Set
    // before the subcommands, which take the setting from here.
    app.allow_windows_style_options(false);
    app.footer(exitStatuses);
    quon::host::use_help_formatter(app);
    int exitStatus = quon::host::exitAllHeld;
    quon::host::add_run_command(app, exitStatus);
    quon::host::add_serve_command(app, exitStatus);
    quon::host::add_validate_command(app, exitStatus);
    quon::host::add_cut_command(app, exitStatus);
    quon::host::add_soak_command(app, exitStatus);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help is a "success" of the parser; every other parse error is the caller's.
        return app.exit(e) == 0 ? quon::host::exitAllHeld : quon::host::exitUsage;
    }
    return exitStatus;
}
