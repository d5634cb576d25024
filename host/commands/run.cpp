// "panel_host run PANEL_LIBRARY... SCENARIO [options]": plays a scenario
// against a panel library, or several on one set of devices (a studio), and
// prints the conversation and the summary; with --measure, measured as a
// soak is. The run is the work of a guarded process: a panel that ends it is
// reported as such.
#include "session/guarded_process.h"
#include "base/exit_status.h"
#include "picture/png_file.h"
#include "scenario/run_setup.h"
#include "commands/subcommands.h"
#include "soak/verdict.h"

#include <iostream>
#include <memory>

namespace quon::host {

namespace {

// --png: each picture the run wrote (the snapshots, then --svg) again as PNG.
int write_pngs(const prepared_run& run, const std::string& converter, int status) {
    std::vector<std::string> pictures;
    for (const scenario_step& step : run.plan.steps)
        if (const auto* snap = std::get_if<snapshot_step>(&step.action))
            pictures.push_back(snapshot_path(run.options, snap->file));
    if (!run.options.svgFile.empty()) pictures.push_back(run.options.svgFile);
    for (const std::string& svg : pictures) {
        std::string error;
        if (convert_svg_to_png(converter, svg, png_path_for(svg), error)) {
            std::cout << "panel_host: PNG of " << svg << " written to " << png_path_for(svg) << "\n";
            continue;
        }
        std::cerr << "panel_host: " << error << " (the emulator's own failure, not the panel's)\n";
        status = combined_status(status, exitEmulatorFault);
    }
    return status;
}

// --measure and its --budget-ms.
struct measure_request {
    bool on = false;
    std::int64_t budgetMs = defaultBudgetMs;
};

int run_scenario(run_request request, bool png, const measure_request& measure) {
    std::string converter, error;
    if (png && !find_png_converter(converter, error)) {
        std::cerr << "panel_host: --png: " << error << "\n";
        return exitEmulatorFault;
    }
    if (png && !request.options.svgFile.empty()) request.outputs.push_back(png_path_for(request.options.svgFile));
    prepared_run run;
    if (const int status = prepare_run(request, run, error); status != exitAllHeld) {
        std::cerr << "panel_host: " << error << "\n";
        return status;
    }
    std::string libraries;
    for (const std::string& library : request.libraries) libraries += (libraries.empty() ? "" : ", ") + library;
    std::cout << "panel_host: " << libraries << " with " << request.scenarioFile << " (" << run.plan.steps.size()
              << " steps)" << std::endl;
    scenario_runner player(run.scripts, run.options, std::cout);
    const int status = measure.on ? play_measured_run(player, run.plan, measure.budgetMs) : player.run(run.plan);
    return png ? write_pngs(run, converter, status) : status;
}

} // namespace

void add_run_command(CLI::App& app, int& exitStatus) {
    auto a = std::make_shared<run_request>();
    auto png = std::make_shared<bool>(false);
    auto memoryLimitMb = std::make_shared<std::int64_t>(0);
    auto measure = std::make_shared<measure_request>();
    CLI::App* run = app.add_subcommand("run", "play a scenario against a panel library and print the conversation");
    // The last positional argument is the scenario, the others the libraries.
    run->add_option("PANEL_LIBRARY... SCENARIO", a->libraries,
                    "the panel libraries (.so natively, .dll on Windows), each a path or NAME=PATH, each its own "
                    "script on the same devices (a studio), named by its file name without extension or NAME; "
                    "then the scenario file to play")
        ->required()
        ->expected(2, -1);
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
    run->add_flag("--png", *png,
                  "write each picture (--svg, the snapshots) as PNG too, beside it: its name with .png for .svg "
                  "(converted by rsvg-convert, from librsvg2-bin)");
    add_number_option(*run, "--timeout", a->timeout, 0, 86400,
                      "give up when the panel has not returned from a step after SECONDS of its own time "
                      "(0: never)")
        ->type_name("SECONDS");
    add_number_option(*run, "--memory-limit", *memoryLimitMb, 0, 1 << 20,
                      "the most memory the panel's process may take, in megabytes (0: no bound); the step in which "
                      "the panel takes more ends the run as a crash does")
        ->type_name("MB");
    run->add_flag("--strict", a->options.strict,
                  "malformed commands, other faults of the panel and replies it never handed back fail the run "
                  "as failed expectations do");
    CLI::Option* measured =
        run->add_flag("--measure", measure->on,
                      "measure the run as soak measures its traffic (CPU per step, heap, descriptors and threads "
                      "between steps) and judge it by soak's rules; the conversation's faults only are printed");
    add_number_option(*run, "--budget-ms", measure->budgetMs, 1, 60000,
                      "with --measure: CPU milliseconds a step may take (default 16)")
        ->needs(measured);
    run->callback([a, png, measure, memoryLimitMb, &exitStatus] {
        a->scenarioFile = a->libraries.back();
        a->libraries.pop_back();
        a->library = a->libraries.front();
        exitStatus = run_guarded([a, png, measure] { return run_scenario(*a, *png, *measure); },
                                 static_cast<unsigned long>(*memoryLimitMb));
    });
}

} // namespace quon::host
