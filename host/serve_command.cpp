// "panel_host serve PANEL_LIBRARY [options]": runs a panel live for a browser
// on 127.0.0.1 until interrupted; see serve_server.h for what it serves.
#include "devices_file.h"
#include "panel_library.h"
#include "scenario.h"
#include "serve_feed.h"
#include "serve_live.h"
#include "serve_queue.h"
#include "serve_recording.h"
#include "serve_server.h"
#include "step_guard.h"
#include "subcommands.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char usage[] =
    "usage: panel_host serve PANEL_LIBRARY [--port N] [--base PATH] [--devices FILE] [--scenario FILE]\n"
    "                        [--record FILE.scn] [--timeout SECONDS]\n"
    "  --port N           port on 127.0.0.1 (default 8765, 0: any free port; the line \"serving URL\" tells)\n"
    "  --base PATH        base path given to the panel's factory (default: kivren)\n"
    "  --devices FILE     the devices to play, as a devices file declares them\n"
    "  --scenario FILE    play this scenario first, then stay live\n"
    "  --record FILE.scn  write what was done as a scenario that \"run --strict\" replays\n"
    "  --timeout SECONDS  give up when the panel does not return from a call (default 60, 0: never)\n"
    "Runs until interrupted (Ctrl-C): then the panel is destroyed, the recording written, the summary printed.\n";

std::atomic<bool> interrupted{false};

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

bool read_number(const std::string& text, long low, long high, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

int serve_main(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    run_options options;
    std::string scenarioFile, recordFile, devicesFile;
    int port = 8765, timeout = 60;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takesValue = a == "--port" || a == "--base" || a == "--scenario" || a == "--record" || a == "--timeout" ||
                                a == "--devices";
        if (takesValue && i + 1 >= args.size()) {
            std::cerr << "panel_host serve: " << a << " needs a value\n" << usage;
            return exitUsage;
        }
        if (a == "--base") options.basePath = args[++i];
        else if (a == "--scenario") scenarioFile = args[++i];
        else if (a == "--devices") devicesFile = args[++i];
        else if (a == "--record") recordFile = args[++i];
        else if (a == "--port" || a == "--timeout") {
            const bool ok = a == "--port" ? read_number(args[++i], 0, 65535, port) : read_number(args[++i], 0, 86400, timeout);
            if (!ok) {
                std::cerr << "panel_host serve: bad " << a << " " << args[i] << "\n";
                return exitUsage;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            std::cerr << "panel_host serve: unknown option " << a << "\n" << usage;
            return exitUsage;
        } else positional.push_back(a);
    }
    if (positional.size() != 1) {
        std::cerr << usage;
        return exitUsage;
    }
    scenario first;
    std::string error;
    if (!scenarioFile.empty() && !load_scenario(scenarioFile, first, error)) {
        std::cerr << "panel_host: " << error << "\n";
        return exitUsage;
    }
    if (!devicesFile.empty() && !read_devices_file(devicesFile, options.devices, error)) {
        std::cerr << "panel_host: " << error << "\n";
        return exitUsage;
    }
    panel_library library;
    if (!library.open(positional[0], error)) {
        std::cerr << "panel_host: " << error << "\n";
        return exitUsage;
    }
    live_feed feed;
    action_queue queue;
    live_server server(queue, feed);
    if (!server.bind(port, error)) {
        std::cerr << "panel_host serve: " << error << "\n";
        return exitUsage;
    }
    std::unique_ptr<scenario_recording> recording;
    if (!recordFile.empty())
        recording = std::make_unique<scenario_recording>(std::vector<std::string>{
            "Recorded by panel_host serve from " + positional[0] + " with base path \"" + options.basePath + "\".",
            "Replay: panel_host run PANEL_LIBRARY THIS_FILE --base " + options.basePath +
                (devicesFile.empty() ? "" : " --devices " + devicesFile) + " --strict"});

    catch_interrupts();
    step_guard_install(timeout);
    std::cout << "panel_host: " << positional[0] << " live\nserving http://127.0.0.1:" << server.port() << "/"
              << std::endl;
    live_panel live(library.factory(), options, std::cout, feed, recording.get());
    server.start();
    live.begin(first);
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
    if (recording) {
        if (!recording->write(recordFile, error)) {
            std::cerr << "panel_host: " << error << "\n";
            return 1;
        }
        std::cout << "recording: " << recording->steps() << " steps written to " << recordFile << std::endl;
    }
    return 0;
}
