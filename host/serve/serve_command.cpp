// "panel_host serve PANEL_LIBRARY [options]": runs a panel live for a browser
// on 127.0.0.1 until interrupted; see serve_server.h for what it serves.
#include "run_setup.h"
#include "serve_feed.h"
#include "serve_live.h"
#include "serve_queue.h"
#include "serve_recording.h"
#include "serve_server.h"
#include "subcommands.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct serve_arguments {
    run_request run;
    std::string recordFile;
    std::int64_t port = 8765;
};

int fail(int status, const std::string& message) {
    std::cerr << "panel_host: " << message << "\n";
    return status;
}

std::atomic<bool> interrupted{false};
std::atomic<bool> stopped{false}; // the host's thread has stopped the panel

// How long the host's thread has, once interrupted, to stop the panel.
constexpr auto stopGrace = std::chrono::seconds(5);

#ifdef _WIN32
BOOL WINAPI on_console_event(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
    interrupted = true;
    return TRUE;
}
#else
extern "C" void on_interrupt(int) { interrupted = true; }
#endif

void catch_interrupts() {
#ifdef _WIN32
    SetConsoleCtrlHandler(on_console_event, TRUE);
#else
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a page that goes away mid-write is not an error
#endif
}

// A panel that never returns (with --timeout 0 nothing else ends it) must not
// keep Ctrl-C from stopping serve: once interrupted, the host's thread has a
// grace time to stop the panel; after it the panel is abandoned, as a host
// abandons a script that hangs, and the process ends at once. The recording
// is on disk already, step by step.
void watch_interrupts() {
    std::thread([] {
        while (!interrupted) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto until = std::chrono::steady_clock::now() + stopGrace;
        while (!stopped && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (stopped) return;
        std::fflush(stdout);
        std::fputs("panel_host: interrupted, and the panel has not returned; it is abandoned (the recording holds "
                   "every action carried out)\n",
                   stderr);
        std::fflush(stderr);
#ifdef _WIN32
        TerminateProcess(GetCurrentProcess(), exitPanelHung);
#endif
        std::_Exit(exitPanelHung);
    }).detach();
}

int serve(serve_arguments& a) {
    const bool baseGiven = !a.run.options.basePath.empty();
    if (!a.recordFile.empty()) a.run.outputs = {a.recordFile};
    prepared_run run;
    std::string error;
    if (const int status = prepare_run(a.run, run, error); status != exitAllHeld) return fail(status, error);
    const run_options& options = run.options;
    live_feed feed;
    action_queue queue;
    live_server server(queue, feed);
    if (!server.bind(static_cast<int>(a.port), error)) return fail(exitEmulatorFault, error);
    std::unique_ptr<scenario_recording> recording;
    const std::string& devicesFile = a.run.devicesFile;
    if (!a.recordFile.empty()) {
        recording = std::make_unique<scenario_recording>(std::vector<std::string>{
            "Recorded by panel_host serve from " + a.run.library + ".",
            "Replay: panel_host run PANEL_LIBRARY THIS_FILE" + (baseGiven ? " --base " + options.basePath : "") +
                (devicesFile.empty() ? "" : " --devices " + devicesFile) + " --strict"});
        if (!recording->open(a.recordFile, error)) return fail(exitEmulatorFault, error);
    }

    catch_interrupts();
    watch_interrupts();
    std::cout << "panel_host: " << a.run.library << " live\nserving http://127.0.0.1:" << server.port() << "/"
              << std::endl;
    live_panel live(run.library.factory(), options, std::cout, feed, recording.get());
    server.start();
    live.begin(run.plan);
    if (!a.run.scenarioFile.empty())
        std::cout << "panel_host: " << a.run.scenarioFile << " played (" << run.plan.steps.size() << " steps); live"
                  << std::endl;
    while (!interrupted) {
        std::optional<live_action> action = queue.pop(std::chrono::milliseconds(100));
        if (!action) continue;
        const live_result result = live.apply(*action);
        live.publish(); // the pages see the change before the action is answered
        if (action->done) action->done->set_value(result);
    }
    std::cout << "\npanel_host: interrupted; stopping" << std::endl;
    queue.close();
    feed.close();
    server.stop();
    live.finish();
    stopped = true;
    if (recording) {
        if (!recording->failure().empty()) return fail(exitEmulatorFault, recording->failure());
        std::cout << "recording: " << recording->steps() << " steps written to " << a.recordFile << std::endl;
    }
    return exitAllHeld;
}

} // namespace

void add_serve_command(CLI::App& app, int& exitStatus) {
    auto a = std::make_shared<serve_arguments>();
    CLI::App* cmd = app.add_subcommand(
        "serve", "run a panel live for a browser on 127.0.0.1 until interrupted (Ctrl-C): its page drawn live, "
                 "clickable controls, the devices, the conversation; Ctrl-C destroys the panel, writes the "
                 "recording and prints the summary");
    cmd->add_option("PANEL_LIBRARY", a->run.library, "the panel library (.so natively, .dll on Windows), a path")
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
                      "give up when the panel has not returned from a call after SECONDS (0: never)")
        ->type_name("SECONDS");
    cmd->callback([a, &exitStatus] { exitStatus = serve(*a); });
}
