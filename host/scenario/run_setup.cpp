#include "scenario/run_setup.h"

#include "base/output_file.h"
#include "session/step_guard.h"

#include <filesystem>

namespace quon::host {

namespace {

int status_of(load_result r) {
    switch (r) {
    case load_result::ok:
        return exitAllHeld;
    case load_result::unreadable:
        return exitEmulatorFault;
    case load_result::invalid:
        break;
    }
    return exitUsage;
}

} // namespace

prepared_run::~prepared_run() {
    if (guarded) step_guard_leave();
}

int prepare_run(const run_request& request, prepared_run& run, std::string& error) {
    if (!request.scenarioFile.empty()) {
        const load_result r = load_scenario(request.scenarioFile, run.plan, error);
        if (r != load_result::ok) return status_of(r);
    }
    run_options& options = run.options;
    options = request.options;
    if (options.basePath.empty()) options.basePath = std::filesystem::path(request.library).stem().string();
    options.inputs = {request.library};
    if (!request.scenarioFile.empty()) options.inputs.push_back(request.scenarioFile);
    const load_result devices = load_run_devices(run.plan, request.devicesFile, options, error);
    if (devices != load_result::ok) return status_of(devices);
    if (!check_run_outputs(run.plan, options, error)) return exitUsage;
    for (const std::string& output : request.outputs)
        if (const std::string* input = replaced_input(options, output)) {
            error = output + " would replace the run's input " + *input;
            return exitUsage;
        }
    if (!make_directories(options.outDir, error)) return exitEmulatorFault;
    if (!run.library.open(request.library, error)) {
        run.libraryRefused = true;
        return exitUsage;
    }
    step_guard_install(static_cast<int>(request.timeout));
    run.guarded = true;
    return exitAllHeld;
}

} // namespace quon::host
