#include "scenario/run_setup.h"

#include "base/output_file.h"
#include "session/step_guard.h"

#include <algorithm>
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

// A script named by its library's file name without extension, or NAME=PATH.
script_entry named_library(const std::string& argument, std::string& path) {
    const std::size_t equals = argument.find('=');
    const std::string name = equals == std::string::npos ? std::string() : argument.substr(0, equals);
    const bool named = !name.empty() && name.find_first_of("/\\ \t") == std::string::npos;
    path = named ? argument.substr(equals + 1) : argument;
    return {named ? name : std::filesystem::path(path).stem().string(), nullptr, ""};
}

// Opens every script's library; the first is `run.library`.
bool open_libraries(const std::vector<std::string>& paths, prepared_run& run, std::string& error) {
    for (std::size_t i = 0; i < paths.size(); ++i) {
        panel_library* library = &run.library;
        if (i > 0) library = run.more.emplace_back(std::make_unique<panel_library>()).get();
        if (!library->open(paths[i], error)) return false;
        run.scripts[i].factory = library->factory();
    }
    return true;
}

} // namespace

bool name_libraries(const std::vector<std::string>& arguments, const std::string& basePath,
                    std::vector<script_entry>& scripts, std::vector<std::string>& paths, std::string& error) {
    for (const std::string& argument : arguments) {
        std::string path;
        script_entry entry = named_library(argument, path);
        for (std::size_t i = 0; i < scripts.size(); ++i)
            if (scripts[i].name == entry.name) {
                error = "two scripts are named \"" + entry.name + "\" (" + paths[i] + " and " + path +
                        "): name them NAME=PATH";
                return false;
            }
        entry.basePath = basePath.empty() ? std::filesystem::path(path).stem().string() : basePath;
        scripts.push_back(entry);
        paths.push_back(path);
    }
    return true;
}

bool check_named_scripts(const scenario& plan, const std::vector<script_entry>& scripts, std::string& error) {
    for (const scenario_step& step : plan.steps) {
        const std::string* name = named_script(step.action);
        if (!name || std::any_of(scripts.begin(), scripts.end(), [&](const auto& e) { return e.name == *name; }))
            continue;
        std::string names;
        for (const script_entry& e : scripts) names += (names.empty() ? "" : ", ") + e.name;
        error = step.where + ": no script is named \"" + *name + "\" (the run's: " + names + ")";
        return false;
    }
    return true;
}

prepared_run::~prepared_run() {
    if (guarded) step_guard_leave();
}

int prepare_run(const run_request& request, prepared_run& run, std::string& error) {
    if (!request.scenarioFile.empty()) {
        const load_result r = load_scenario(request.scenarioFile, run.plan, error);
        if (r != load_result::ok) return status_of(r);
    }
    std::vector<std::string> paths;
    const std::vector<std::string> arguments =
        request.libraries.empty() ? std::vector<std::string>{request.library} : request.libraries;
    if (!name_libraries(arguments, request.options.basePath, run.scripts, paths, error) ||
        (!request.oneOfSeveral && !check_named_scripts(run.plan, run.scripts, error)))
        return exitUsage;
    run_options& options = run.options;
    options = request.options;
    options.basePath = run.scripts.front().basePath;
    options.scriptName = run.scripts.front().name;
    options.libraries = paths;
    options.inputs = paths;
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
    if (!open_libraries(paths, run, error)) {
        run.libraryRefused = true;
        return exitUsage;
    }
    step_guard_install(static_cast<int>(request.timeout));
    run.guarded = true;
    return exitAllHeld;
}

} // namespace quon::host
