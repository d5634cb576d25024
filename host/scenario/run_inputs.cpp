// What a run reads and writes, checked before it plays: the devices files,
// and the outputs that must not replace an input.
#include "scenario/runner.h"

#include "base/output_file.h"

namespace quon::host {

load_result load_run_devices(const scenario& s, const std::string& devicesFile, run_options& options,
                             std::string& error) {
    declaration_budget budget; // every devices file and layout of the run together
    if (!devicesFile.empty()) {
        const load_result r = read_devices_file(devicesFile, options.devices, error, &budget);
        if (r != load_result::ok) return r;
        options.inputs.push_back(devicesFile);
    }
    for (const scenario_step& step : s.steps) {
        const auto* d = std::get_if<devices_step>(&step.action);
        if (!d || options.stepDevices.count(d->file)) continue;
        const load_result r = read_devices_file(d->file, options.stepDevices[d->file], error, &budget);
        if (r != load_result::ok) {
            error = step.where + ": " + error;
            return r;
        }
        options.inputs.push_back(d->file);
    }
    return load_result::ok;
}

const std::string* replaced_input(const run_options& options, const std::string& path) {
    for (const std::string& input : options.inputs)
        if (same_file(path, input)) return &input;
    return nullptr;
}

bool check_run_outputs(const scenario& s, const run_options& options, std::string& error) {
    auto replaces_input = [&](const std::string& path, const std::string& where) {
        const std::string* input = replaced_input(options, path);
        if (input) error = where + ": " + path + " would replace the run's input " + *input;
        return input != nullptr;
    };
    for (const scenario_step& step : s.steps) {
        const auto* snap = std::get_if<snapshot_step>(&step.action);
        if (!snap) continue;
        const std::string path = snapshot_path(options, snap->file);
        if (!inside_folder(options.outDir, path)) {
            error = step.where + ": snapshot " + snap->file + " leaves the output directory through a link";
            return false;
        }
        if (replaces_input(path, step.where)) return false;
    }
    return options.svgFile.empty() || !replaces_input(options.svgFile, "--svg");
}

std::string snapshot_path(const run_options& options, const std::string& file) {
    return options.outDir.empty() ? file : options.outDir + "/" + file;
}

} // namespace quon::host
