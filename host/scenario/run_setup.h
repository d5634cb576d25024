// run_setup: the one way a run is prepared, for "run" and "serve" alike:
// the scenario, the devices files (the option's and those the scenario's
// steps name), the base path, the outputs checked against the inputs, the
// output folder, the library and the watchdog. A command adds nothing of its
// own to a run, so a scenario plays the same under either.
#ifndef HOST_SCENARIO_RUN_SETUP_H
#define HOST_SCENARIO_RUN_SETUP_H

#include "session/panel_library.h"
#include "scenario/format.h"
#include "scenario/runner.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quon::host {

// What the command line names.
struct run_request {
    std::string library; // the panel library, a path
    // run: every script's library, PATH or NAME=PATH, in order (a studio
    // when there are several); empty: `library` alone.
    std::vector<std::string> libraries;
    std::string scenarioFile;  // empty: none (serve without --scenario)
    std::string devicesFile;   // --devices; empty: only those the scenario names
    std::int64_t timeout = 60; // seconds of the panel's own time per step; 0: none
    run_options options;       // base path (empty: from the library's name), outputs, strictness
    // Further files the command writes (serve's recording): refused when one
    // would replace an input of the run.
    std::vector<std::string> outputs;
    // One script of several whose others run elsewhere (serve's studio): the
    // scenario's steps may name them.
    bool oneOfSeveral = false;
};

// A run ready to play. The watchdog is installed until this object goes.
struct prepared_run {
    prepared_run() = default;
    ~prepared_run();
    prepared_run(const prepared_run&) = delete;
    prepared_run& operator=(const prepared_run&) = delete;

    scenario plan; // empty when no scenario was named
    run_options options;
    panel_library library;                            // the first script's
    std::vector<std::unique_ptr<panel_library>> more; // the other scripts', in order
    std::vector<script_entry> scripts;                // every script: name, factory, base path
    bool guarded = false;
    bool libraryRefused = false; // the inputs were good, the library did not load
};

// The scripts that library arguments name (PATH or NAME=PATH, a script
// named by its library's file name without extension otherwise), each with
// `basePath` (empty: its name), and their paths; false with why when two
// share a name.
bool name_libraries(const std::vector<std::string>& arguments, const std::string& basePath,
                    std::vector<script_entry>& scripts, std::vector<std::string>& paths, std::string& error);

// Every script a step names ("script", "start NAME", "stop NAME") is one of
// `scripts`; false with the step's "file:line" and why otherwise.
bool check_named_scripts(const scenario& plan, const std::vector<script_entry>& scripts, std::string& error);

// Prepares `request` into `run`. exitAllHeld when the run is ready;
// otherwise the exit status it ends with (exitUsage for a bad input,
// exitEmulatorFault when the system refused a file) and `error` says why in
// one line.
int prepare_run(const run_request& request, prepared_run& run, std::string& error);

} // namespace quon::host

#endif
