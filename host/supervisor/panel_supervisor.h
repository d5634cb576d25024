// serve_workbench: the server's side of the panel, which runs in a process
// of its own (commands/serve_panel.cpp, protocol/messages.h). The server keeps
// what outlives that process: the pages' feed, the recording, the devices'
// state and the picture as last reported. When the panel crashes or hangs,
// only its process ends: the pages are told what happened (the fault, the
// step, the conversation up to it) and actions are refused until a restart,
// which starts a new process with the devices as they were. With --watch a
// rebuilt library is loaded the same way, the old panel destroyed first.
#ifndef HOST_SUPERVISOR_PANEL_SUPERVISOR_H
#define HOST_SUPERVISOR_PANEL_SUPERVISOR_H

#include "base/exit_status.h"
#include "scenario/run_setup.h"
#include "process/subprocess.h"
#include "server/feed.h"
#include "protocol/messages.h"
#include "server/queue.h"
#include "server/recording.h"
#include "supervisor/ticks.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quon::host {

struct workbench_setup {
    std::string program;         // what runs the panel: this program, or one given for tests
    run_request request;         // as serve's command line gives it
    std::string recordFile;      // checked by the first process against the inputs
    bool watch = false;          // reload when the library file is replaced
    const std::atomic<bool>* interrupted = nullptr;
};

class panel_workbench {
public:
    panel_workbench(workbench_setup setup, live_feed& feed, action_queue& queue, std::ostream& out);
    ~panel_workbench();

    // Starts the first process: exitAllHeld once the library is loaded,
    // otherwise the status it failed with and `error` says why.
    int load(std::string& error);
    // Plays the scenario (if any) in it, recording each step, then starts the panel.
    void begin(scenario_recording* recording);
    // The last process ended because the library did not load (the inputs did).
    bool unloadable() const { return unloadable_; }
    live_result apply(const live_action& action);
    // A new process and panel, with the devices as last reported.
    void restart(const std::string& why);
    // Reloads when the library file was replaced and has settled.
    void watch();
    // When the next tick of the host's timers is due (supervisor/ticks.h); tick
    // plays it then, recorded as the step that replays it.
    std::chrono::steady_clock::time_point next_tick() const;
    void tick();
    // Stops the panel, prints the summary and ends its process: exitAllHeld,
    // or exitPanelHung when it had to be abandoned.
    int finish();

private:
    bool start_process(bool first, std::string& error, int& status);
    // Sends `message`, then takes what comes until a frame named `until`.
    bool talk(const std::string& message, const char* until, live_result* result);
    bool take_state(state_update& u);
    void lost(const std::string& why);
    // The library file was replaced by another that has settled (--watch).
    bool rebuilt();
    void record(const live_result& r);
    void say(const std::string& text);
    void take_errors();
    void publish();
    std::string status_json() const;

    workbench_setup setup_;
    live_feed& feed_;
    action_queue& queue_;
    std::ostream& out_;
    scenario_recording* recording_ = nullptr;
    std::unique_ptr<child_process> child_;
    std::string buffer_;       // what the process wrote and is not taken yet
    std::string errors_;       // the end of what it wrote on its standard error
    std::filesystem::path copy_; // the library copy the process loaded (--watch)
    int copies_ = 0;
    std::string fault_;        // why no panel runs; empty while one does
    std::string faultStep_;    // the step it ended in
    std::string note_;         // the last restart or reload, for the page
    bool panelRunning_ = false;
    bool begun_ = false;       // a panel was begun: its scenario is played
    bool unloadable_ = false;
    bool abandoned_ = false; // given up after an interrupt: it never returned
    int lastExit_ = exitEmulatorFault; // of the last process that ended
    feed_state state_;         // as last reported
    tick_schedule ticks_;      // the host's timers, as last reported
    std::vector<device_change> devices_, names_;
    struct file_mark {
        bool exists = false;
        std::uintmax_t size = 0;
        std::int64_t time = 0; // last written, in the system's own units
        bool operator==(const file_mark& o) const { return exists == o.exists && size == o.size && time == o.time; }
        bool operator!=(const file_mark& o) const { return !(*this == o); }
    };
    static file_mark mark_of(const std::string& path);
    file_mark loaded_, seen_;
    std::chrono::steady_clock::time_point seenAt_;
};

} // namespace quon::host

#endif
