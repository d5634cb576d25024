// "panel_host run PANEL_LIBRARY SCENARIO [options]": plays a scenario against
// a panel library and prints the conversation and the summary.
#include "output_file.h"
#include "panel_library.h"
#include "scenario.h"
#include "scenario_runner.h"
#include "step_guard.h"
#include "subcommands.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace {

struct run_arguments {
    std::string library, scenarioFile, devicesFile;
    std::int64_t timeout = 60;
    run_options options;
};

int fail(int status, const std::string& message) {
    std::cerr << "panel_host: " << message << "\n";
    return status;
}

int run_scenario(run_arguments& a) {
    scenario s;
    std::string error;
    switch (load_scenario(a.scenarioFile, s, error)) {
    case load_result::ok: break;
    case load_result::unreadable: return fail(exitEmulatorFault, error);
    case load_result::invalid: return fail(exitUsage, error);
    }
    run_options& options = a.options;
    if (options.basePath.empty()) options.basePath = std::filesystem::path(a.library).stem().string();
    options.inputs = {a.scenarioFile, a.library};
    switch (load_run_devices(s, a.devicesFile, options, error)) {
    case load_result::ok: break;
    case load_result::unreadable: return fail(exitEmulatorFault, error);
    case load_result::invalid: return fail(exitUsage, error);
    }
    if (!check_run_outputs(s, options, error)) return fail(exitUsage, error);
    if (!make_directories(options.outDir, error)) return fail(exitEmulatorFault, error);
    panel_library library;
    if (!library.open(a.library, error)) return fail(exitUsage, error);
    std::cout << "panel_host: " << a.library << " with " << a.scenarioFile << " (" << s.steps.size() << " steps)"
              << std::endl;
    step_guard_install(static_cast<int>(a.timeout));
    scenario_runner player(library.factory(), options, std::cout);
    const int status = player.run(s);
    step_guard_leave();
    return status;
}

} // namespace

void add_run_command(CLI::App& app, int& exitStatus) {
    auto a = std::make_shared<run_arguments>();
    CLI::App* run = app.add_subcommand("run", "play a scenario against a panel library and print the conversation");
    run->add_option("PANEL_LIBRARY", a->library, "the panel library (.so natively, .dll on Windows), a path")
        ->required();
    run->add_option("SCENARIO", a->scenarioFile, "the scenario file to play")->required();
    run->add_option("--devices", a->devicesFile,
                    "the devices the panel finds (routers, GPI and information devices, their states and names), "
                    "as a devices file declares them; a scenario's \"devices\" step can name one too")
        ->type_name("FILE");
    run->add_option("--base", a->options.basePath,
                    "base path given to the panel's factory (default: the library's file name without its "
                    "extension)");
    run->add_option("--svg", a->options.svgFile,
                    "write a picture of the page to FILE after the last step (missing directories are created)")
        ->type_name("FILE");
    run->add_option("--out", a->options.outDir,
                    "directory the scenario's snapshots go to, created when missing (default: the current one)")
        ->type_name("DIR");
    add_number_option(*run, "--timeout", a->timeout, 0, 86400,
                      "give up when the panel has not returned from a step after SECONDS of its own time "
                      "(0: never)")
        ->type_name("SECONDS");
    run->add_flag("--strict", a->options.strict,
                  "malformed commands, other faults of the panel and replies it never handed back fail the run "
                  "as failed expectations do");
    run->callback([a, &exitStatus] { exitStatus = run_scenario(*a); });
}
