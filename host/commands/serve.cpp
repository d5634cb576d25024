// "panel_host serve PANEL_LIBRARY [options]": runs a panel live for a browser
// on 127.0.0.1 until interrupted; see server/http_server.h for what it serves.
#include "base/output_file.h"
#include "process/subprocess.h"
#include "server/http_server.h"
#include "supervisor/studio_supervisor.h"
#include "commands/subcommands.h"
#include "process/this_process.h"
#include "scenario/format.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <thread>

namespace quon::host {

namespace {

struct serve_arguments {
    std::vector<std::string> libraries; // PATH or NAME=PATH, each a script (a studio when several)
    run_request run;
    std::string recordFile;
    std::int64_t port = 8765;
    bool watch = false;
    bool paused = false;
    std::string panelProcess; // tests: another program in the panel process's place
    std::int64_t answerWait = live_server::defaultAnswerWait.count(); // tests: ms a request waits for its result
};

int fail(int status, const std::string& message) {
    std::cerr << "panel_host: " << message << "\n";
    return status;
}

std::atomic<bool> interrupted{false};

// Stepping through a scenario of several scripts is not built; the names
// a scenario's steps give are those of the scripts served.
std::string studio_conflict(const serve_arguments& a, const scenario& plan, const std::vector<script_entry>& scripts) {
    if (scripts.size() < 2) return "";
    if (a.paused) return "--paused takes one library: serve several scripts without it";
    std::string error;
    return check_named_scripts(plan, scripts, error) ? "" : error;
}

// Stepping back replays the scenario from its start in a new process: a
// recording could not say that, nor could a rebuilt library take the place.
std::string paused_conflict(const serve_arguments& a) {
    if (!a.paused) return "";
    if (a.run.scenarioFile.empty()) return "--paused needs --scenario FILE: the scenario to step through";
    if (!a.recordFile.empty())
        return "--paused cannot be used with --record: stepping back replays the scenario in a new panel "
               "process, which a recording cannot replay; record without --paused";
    if (a.watch) return "--paused cannot be used with --watch: restart serve on the rebuilt library";
    return "";
}

// The recording's first lines: what it was recorded from and how it replays.
std::vector<std::string> recording_header(const serve_arguments& a,
                                          const std::vector<std::pair<std::string, std::string>>& scripts) {
    std::string from, replay;
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        from += (i ? ", " : "") + a.libraries[i];
        replay += scripts.size() > 1 ? scripts[i].first + "=LIBRARY " : "PANEL_LIBRARY ";
    }
    const std::string base = a.run.options.basePath.empty() ? "" : " --base " + a.run.options.basePath;
    return {"Recorded by panel_host serve from " + from + ".",
            "Replay: panel_host run " + replay + "THIS_FILE" + base + " --strict"};
}

// The scripts the libraries name, as (name, path), once the options fit
// them; empty with why otherwise.
std::vector<std::pair<std::string, std::string>> serve_scripts(serve_arguments& a, const scenario& plan,
                                                               std::string& error) {
    std::vector<script_entry> scripts;
    std::vector<std::string> paths;
    if (!name_libraries(a.libraries, "", scripts, paths, error)) return {};
    a.run.library = paths.front();
    error = studio_conflict(a, plan, scripts);
    if (error.empty()) error = paused_conflict(a);
    for (const std::string& path : paths) // --watch: the process loads a copy
        if (error.empty() && !a.recordFile.empty() && same_file(a.recordFile, path))
            error = a.recordFile + " would replace the run's input " + path;
    std::vector<std::pair<std::string, std::string>> named;
    for (std::size_t i = 0; i < scripts.size() && error.empty(); ++i) named.emplace_back(scripts[i].name, paths[i]);
    return named;
}

// The recording, opened with the devices it was made with, by their full
// name, so that it replays bare; null with why when it cannot be written.
std::unique_ptr<scenario_recording> open_recording(const serve_arguments& a,
                                                   const std::vector<std::pair<std::string, std::string>>& scripts,
                                                   std::string& error) {
    auto recording = std::make_unique<scenario_recording>(recording_header(a, scripts));
    if (!a.run.devicesFile.empty()) recording->add_unchecked(write_step(devices_step{full_path(a.run.devicesFile)}));
    if (!recording->open(a.recordFile, error)) return nullptr;
    return recording;
}

int serve(serve_arguments& a) {
    std::string error;
    scenario plan; // read here to say how many steps were played, and to play a studio's
    if (!a.run.scenarioFile.empty() && load_scenario(a.run.scenarioFile, plan, error) != load_result::ok) plan = {};
    const std::vector<std::pair<std::string, std::string>> scripts = serve_scripts(a, plan, error);
    if (scripts.empty()) return fail(exitUsage, error);
    live_feed feed;
    if (scripts.size() > 1) {
        std::vector<std::string> names;
        for (const auto& script : scripts) names.push_back(script.first);
        feed.set_scripts(names);
    }
    action_queue queue;
    live_server server(queue, feed);
    server.set_answer_wait(std::chrono::milliseconds(a.answerWait));
    if (!server.bind(static_cast<int>(a.port), error)) return fail(exitEmulatorFault, error);
    catch_interrupts(interrupted);
    // Set member by member: GCC 12 at -O2 sees the aggregate's unset script
    // name as maybe uninitialized (-Wmaybe-uninitialized).
    supervisor_setup common;
    common.program = a.panelProcess.empty() ? own_program() : a.panelProcess;
    common.request = a.run;
    common.recordFile = a.recordFile;
    common.watch = a.watch;
    if (a.paused) common.paused = plan.steps.size();
    common.stepped = scripts.size() > 1 && !a.run.scenarioFile.empty();
    common.interrupted = &interrupted;
    studio_supervisor bench(common, scripts, feed, queue, std::cout);
    if (const int status = bench.load(error, std::cerr); status != exitAllHeld) return fail(status, error);
    std::unique_ptr<scenario_recording> recording;
    if (!a.recordFile.empty() && !(recording = open_recording(a, scripts, error)))
        return fail(exitEmulatorFault, error);

    std::string live;
    for (const std::string& library : a.libraries) live += (live.empty() ? "" : ", ") + library;
    std::cout << "panel_host: " << live << " live" << (a.watch ? ", reloaded when rebuilt" : "")
              << "\nserving http://127.0.0.1:" << server.port() << "/" << std::endl;
    server.start();
    const bool playedWhole = bench.begin(recording.get(), plan);
    if (a.paused)
        std::cout << "panel_host: " << a.run.scenarioFile << " paused before its first step (" << plan.steps.size()
                  << " steps): POST /api/step with to=N shows the page after step N" << std::endl;
    else if (!a.run.scenarioFile.empty())
        std::cout << "panel_host: " << a.run.scenarioFile
                  << (playedWhole ? " played (" + std::to_string(plan.steps.size()) + " steps)"
                                  : " stopped where a script's process ended")
                  << "; live" << std::endl;
    bench.serve_actions();
    std::cout << "\npanel_host: interrupted; stopping" << std::endl;
    queue.close();
    feed.close();
    server.stop();
    const int status = bench.finish();
    if (bench.abandoned())
        std::cerr << "panel_host: interrupted, and the panel has not returned; it is abandoned (the recording holds "
                     "every action carried out)"
                  << std::endl;
    if (recording) {
        if (!recording->failure().empty()) return fail(exitEmulatorFault, recording->failure());
        std::cout << "recording: " << recording->steps() << " steps written to " << a.recordFile << std::endl;
    }
    return status;
}

} // namespace

void add_serve_panel_command(CLI::App& app, int& exitStatus); // commands/serve_panel.cpp

void add_serve_command(CLI::App& app, int& exitStatus) {
    auto a = std::make_shared<serve_arguments>();
    CLI::App* cmd = app.add_subcommand(
        "serve", "run a panel live for a browser on 127.0.0.1 until interrupted (Ctrl-C): its page drawn live, "
                 "clickable controls, the devices, the conversation; Ctrl-C destroys the panel, writes the "
                 "recording and prints the summary");
    cmd->add_option("PANEL_LIBRARY...", a->libraries,
                    "the panel libraries (.so natively, .dll on Windows), each a path or NAME=PATH: each its own "
                    "script, in a process of its own, on the same devices (a studio), named by its file name "
                    "without extension or NAME")
        ->required();
    add_number_option(*cmd, "--port", a->port, 0, 65535,
                      "port on 127.0.0.1 (0: any free one; the line \"serving URL\" tells which)")
        ->type_name("N");
    cmd->add_option("--base", a->run.options.basePath,
                    "base path given to the panel's factory (default: the library's file name without its "
                    "extension)");
    cmd->add_option("--devices", a->run.devicesFile, "the devices to play, as a devices file declares them")
        ->type_name("FILE");
    cmd->add_option("--scenario", a->run.scenarioFile, "play this scenario first, then stay live")->type_name("FILE");
    cmd->add_option("--record", a->recordFile,
                    "write every action taken as a scenario step with the commands it caused; \"run --strict\" "
                    "replays it")
        ->type_name("FILE.scn");
    add_number_option(*cmd, "--timeout", a->run.timeout, 0, 86400,
                      "end the panel's process when the panel has not returned from a call after SECONDS (0: "
                      "never, for a debugger attached to it)")
        ->type_name("SECONDS");
    cmd->add_flag("--watch", a->watch,
                  "reload the panel when the library file is replaced (a build): the old panel is destroyed, the "
                  "new library loaded in a new process and started with the devices as they were");
    cmd->add_flag("--paused", a->paused,
                  "load the --scenario and play none of it: the page's step buttons (POST /api/step with to=N) "
                  "show the page after step N, numbered as run numbers them; actions wait for the last step");
    cmd->add_option("--panel-process", a->panelProcess)->group(""); // for tests of the protocol's faults
    add_number_option(*cmd, "--answer-wait-ms", a->answerWait, 0, 3600000, "")->group(""); // for tests of slow steps
    cmd->callback([a, &exitStatus] { exitStatus = serve(*a); });
    add_serve_panel_command(app, exitStatus);
}

} // namespace quon::host
