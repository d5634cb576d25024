// panel_supervisor: the life of one script's panel that serve runs in a
// process of its own (commands/serve_panel.cpp), on the host's one thread
// (supervisor/studio_supervisor.h): it starts that process, plays the page's
// actions, the timers' ticks and other scripts' device changes in it
// (through a panel_link, made by a link_maker a test may fake), and
// restarts it. What outlives a process is kept in parts of its own: what the
// pages see (script_pages), the recording (script_record) and the exit
// status (run_account). When the panel crashes or hangs, only its process ends: the
// pages are told what happened (the fault, the step, the conversation up to
// it) and actions are refused until a restart, which starts a new process
// with the devices as they were. With --watch a rebuilt library is loaded in
// a new process first, and only once it has loaded is the old panel
// destroyed and the new one started; a build that does not load (written
// halfway, no library, crashing as it loads) is not ready, and the old panel
// runs on. The recording holds only steps a replay carries out, and serve's
// exit status follows run's rule for what it played: the scenario, and the
// panel's end at the interrupt. With --paused the scenario is played a step
// at a time, on request (supervisor/stepping.h).
#ifndef HOST_SUPERVISOR_PANEL_SUPERVISOR_H
#define HOST_SUPERVISOR_PANEL_SUPERVISOR_H

#include "base/exit_status.h"
#include "scenario/run_setup.h"
#include "server/feed.h"
#include "server/queue.h"
#include "server/recording.h"
#include "supervisor/panel_life.h"
#include "supervisor/reported_state.h"
#include "supervisor/run_account.h"
#include "supervisor/script_pages.h"
#include "supervisor/script_record.h"
#include "supervisor/stepping.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace quon::host {

// What each of its processes is started with, and how the script is played.
struct supervisor_setup : process_inputs {
    // --paused: the scenario's number of steps; none is played at first
    std::optional<std::size_t> paused;
    // A studio's scenario: begun with none of it played; the studio plays
    // its steps one at a time in the scripts they go to (play_step).
    bool stepped = false;
    const std::atomic<bool>* interrupted = nullptr;
};

// What one exchange of a supervisor with its panel's process is part of.
struct exchange_context {
    bool counts = false;  // a loss counts in the exit status (the scenario, the panel's end)
    bool recorded = true; // the results it brings are recorded
    std::string toldBy;   // the script whose changes it tells this one of
};

class panel_supervisor {
public:
    // `makeLink` makes the link to each new process: none, a process of
    // `program` (supervisor/process_link.h); a test gives a fake.
    panel_supervisor(supervisor_setup setup, live_feed& feed, action_queue& queue, std::ostream& out,
                     link_maker makeLink = {});
    ~panel_supervisor();

    // Starts the first process: exitAllHeld once the library is loaded,
    // otherwise the status it failed with and `error` says why.
    int load(std::string& error);
    // Plays the scenario (if any) in it, recording each step, then starts the panel.
    void begin(scenario_recording* recording);
    // The last process ended because the library did not load (the inputs did).
    bool unloadable() const { return life_.last_loss().how == panel_end::unloadable; }
    const serve_script& script() const { return pages_.script(); }
    // A page action or a timer tick, for this script; `recorded`: the
    // recording gets its step (a studio's tick is recorded once).
    live_result apply(const live_action& action, bool recorded = true);
    // --paused: the page after the step the action names (stepping.cpp).
    live_result step_to(const live_action& action);
    // A new process and panel, with the devices as last reported.
    void restart(const std::string& why);
    // Reloads when the library file was replaced and has settled.
    void watch();
    // When the next tick of the host's timers is due (supervisor/ticks.h);
    // due_tick gives the step that plays it ("wait D") once it is due.
    std::chrono::steady_clock::time_point next_tick() const;
    std::optional<std::string> due_tick(std::chrono::steady_clock::time_point now);
    // The device changes this script's process reported it made since the
    // last call, in order (its script's and its steps', typed).
    std::vector<device_setting> take_made() { return pages_.take_made(); }
    // Drops the changes reported so far unpassed: they are no action's (the
    // devices as a script started, or declared anew), or an earlier one's.
    void drop_made() { pages_.drop_made(); }
    // Changes another script (`from`) made, reported to this one's as a
    // host would, in order; what this script changed in turn. A script with
    // no process starts its next one from them, as `from` holds them now.
    // `counts`: a loss here counts in the exit status (a studio's scenario).
    std::vector<device_setting> forward(const std::vector<device_setting>& changes, const panel_supervisor& from,
                                        bool counts = false);
    // A studio's action: the exchanges until the next call continue its
    // count (`bound`; null: none), each process on from where the last left
    // it. Reaching it is a fault of the panels: counted in the exit status
    // as run --strict counts the problem.
    void count_in(change_bound* bound) { action_ = bound; }
    const held_states& devices() const { return pages_.reported().devices(); }
    // Whether a process runs for this script.
    bool live() const { return life_.link() != nullptr; }
    // A studio's scenario (`stepped`): plays its step `number` alone in this
    // script's process, or with 0 starts the panel if no step did; what it
    // does counts in the exit status as run counts it. `recorded`: the
    // recording gets the step (a step every script plays is recorded once).
    // False when the process was lost.
    bool play_step(std::size_t number, bool recorded);
    // Stops the panel, prints the summary and ends its process: the status
    // run gives for what was played (the scenario's failed expectations, a
    // crash or hang in it or in the panel's end), exitPanelHung when the
    // panel had to be abandoned.
    int finish();
    // The panel was given up after an interrupt: it never returned.
    bool abandoned() const { return account_.abandoned(); }

private:
    using steady = std::chrono::steady_clock;
    static constexpr std::chrono::seconds stopGrace{5}; // to stop, once interrupted, restarting or reloading

    class exchange_listener; // the link's listener for one exchange
    // What the scenario does and the panel's end count as run counts them.
    static exchange_context counted(bool recorded = true) { return {true, recorded, ""}; }

    bool start_process(bool first, std::string& error, int& status);
    // Sends `message`, then takes what comes until a frame named `until`;
    // false when the process was lost meanwhile.
    bool talk(const std::string& message, const char* until, live_result* result, const exchange_context& context = {});
    // The process is gone: the pages are told why, the recording marks the place.
    void lost(const exchange_context& context);
    // Destroys the panel through slot 0 as a host does (or, its process gone,
    // has the replay destroy the one it still has); creates it in the new one.
    void stop_panel();
    void begin_panel(const std::string& why);
    // The rebuilt library (--watch), loaded in a process of its own before the old panel goes.
    void reload();
    // The rebuilt library loaded in a candidate process; false with why.
    rebuilt_load load_rebuilt(std::string& error);
    // --paused: a new process, the scenario opened in it and nothing played.
    void replay_from_start(std::size_t to);
    // Says that `action` is refused and why; the result that answers it.
    live_result refuse(const live_action& action, const std::string& why);
    void publish();

    // What the link's listener is told.
    void say(const std::string& text) { pages_.say(text); }
    bool take_state(state_update& update);
    // Whether to give up a wait begun at `started` now: why, or empty.
    std::string give_up(steady::time_point started, bool loading);

    supervisor_setup setup_;
    action_queue& queue_;
    script_pages pages_;                    // what the pages and the terminal see
    script_record record_;                  // this script's part of the recording
    run_account account_;                   // the exit status for what was played
    panel_life life_;                       // the panel's process, started, restarted, reloaded
    std::optional<paused_scenario> paused_; // --paused: the step shown, of how many
    bool panelRunning_ = false;
    bool begun_ = false;             // a panel was begun: its scenario is played
    change_bound* action_ = nullptr; // the studio's action the exchanges count in
};

} // namespace quon::host

#endif
