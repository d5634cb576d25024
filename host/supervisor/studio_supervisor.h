// studio_supervisor: the scripts "serve" runs, each with a panel_supervisor
// of its own (its process, its restarts) and all on one set of devices: a
// studio when there are several, one script otherwise. It is the host's one
// thread: it takes the pages' actions in order, gives each to the script it
// names (the first by default), and then, as a host does, reports every
// device change a script made to the other scripts, whose own changes in
// turn go round until none is left, each script told them in the order they
// were made (at most change_bound's reports, counted as run counts them: the
// processes count on, action by action). A tick of the
// host's timers moves every script's virtual clock at once, as "wait" moves
// them in a run of several scripts, so the recording replays. A script whose
// process ended misses nothing: it starts its next one from the devices as
// they are.
#ifndef HOST_SUPERVISOR_STUDIO_SUPERVISOR_H
#define HOST_SUPERVISOR_STUDIO_SUPERVISOR_H

#include "supervisor/panel_supervisor.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quon::host {

class studio_supervisor {
public:
    // One panel_supervisor for each of `scripts` (name and library path, in
    // order), with `common` otherwise; `makeLink` as panel_supervisor's.
    studio_supervisor(const supervisor_setup& common, const std::vector<std::pair<std::string, std::string>>& scripts,
                      live_feed& feed, action_queue& queue, std::ostream& out, const link_maker& makeLink = {});

    // Starts every script's process: exitAllHeld once all have loaded (with
    // --watch, a library that does not load waits for its next build, and
    // says so on `errors`), otherwise the status the first failed with and
    // `error` says why.
    int load(std::string& error, std::ostream& errors);
    // Begins every script in order, as a run starts them; several play
    // `plan` together (studio_scenario.cpp), each one its own steps.
    // False when a script's process ended meanwhile: the scenario stopped
    // there (the log says where).
    bool begin(scenario_recording* recording, const scenario& plan);
    // The host's one thread until interrupted: a page action waiting is
    // served first, then at most one due tick, then --watch looks.
    void serve_actions();
    live_result apply(const live_action& action);
    // Stops every script; serve's exit status: run's rule over all of them.
    int finish();
    bool abandoned() const;

private:
    // The script an action names, or null with why.
    panel_supervisor* named(const request_outcome& request, std::string& why);
    // The changes script `from` made go round the others; `counts`: a loss
    // there counts in the exit status (the scenario's).
    void spread(panel_supervisor& from, bool counts = false);
    // `action` (the step `step`, or a start) as one action for the bound.
    void counted_action(const std::string& step, const std::function<void()>& action);
    void tick();
    void play(const scenario& plan);
    std::size_t index_of(const std::string& name) const;
    // The studio's own line, for the terminal and the pages.
    void say(const std::string& line);
    // Holds the recording's step of an action until its changes have gone round.
    void record_held(const std::function<void()>& action);

    std::vector<std::unique_ptr<panel_supervisor>> scripts_;
    scenario_recording* recording_ = nullptr;
    action_queue& queue_;
    const std::atomic<bool>* interrupted_;
    std::ostream& out_;
    live_feed& feed_;
    bool watch_; // --watch
};

} // namespace quon::host

#endif
