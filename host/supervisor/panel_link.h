// panel_link: one panel process as the supervisor talks to it over the
// protocol (protocol/messages.h). It sends a message and takes the frames
// that come until the one that answers it, handing conversation text,
// states, earlier results and run's status to its listener as they come;
// it keeps the end of the process's standard error, whose step guard names
// a fault; and when the process is gone it says how, in those words.
#ifndef HOST_SUPERVISOR_PANEL_LINK_H
#define HOST_SUPERVISOR_PANEL_LINK_H

#include "process/subprocess.h"
#include "protocol/messages.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quon::host {

// How a panel process was lost.
struct link_loss {
    std::string fault;       // in the step guard's words when it said them
    std::string step;        // the step it ended in, when named
    int exitStatus = -1;     // the process's
    bool unloadable = false; // it said the library did not load (the inputs did)
    bool refused = false;    // it said an input was not one ("failed"): no fault of the panel's
    std::string why;         // the reason it was lost, as this side saw it
};

class panel_link {
public:
    using steady = std::chrono::steady_clock;

    // What the frames are for. Called on the supervisor's thread, from
    // exchange(); the listener outlives the link.
    struct listener {
        virtual ~listener() = default;
        // Text for the terminal and the pages: conversation, standard error.
        virtual void say(const std::string& text) = 0;
        // A state message; false when it does not fit what came before.
        virtual bool take_state(state_update& update) = 0;
        // A result that is not the answer waited for (a scenario's steps).
        virtual void earlier_result(const live_result& result) = 0;
        // run's status for what the process played ("begun", "bye").
        virtual void run_status(int status) = 0;
        // Why to give up a wait begun at `started` now (empty: wait on).
        virtual std::string give_up(steady::time_point started, bool loading) = 0;
    };

    // `timeout`: the process's own watchdog, in seconds (0: none).
    panel_link(listener& told, std::int64_t timeout) : listener_(told), timeout_(timeout) {}

    // Starts the process; false with why.
    bool start(const std::vector<std::string>& args, std::string& error);
    long pid() const { return child_.pid(); }
    // A message no frame answers (a device state to start from).
    void post(const std::string& message) { child_.send(message); }
    // Sends `message` (none: only waits), then takes frames until one named
    // `until`, whose result goes to `result`. False when the process was
    // lost meanwhile (it is ended then): loss() says how.
    bool exchange(const std::string& message, const char* until, live_result* result);
    const link_loss& loss() const { return loss_; }
    // Waits until `until` for the process to end by itself, then ends it.
    void end(steady::time_point until);

private:
    // The whole frames taken: 1 `until` came, 0 wait for more, -1 lost.
    int take_frames(const char* until, live_result* result);
    bool given_up(const char* until, steady::time_point started);
    void take_errors();
    void lost(const std::string& why);

    listener& listener_;
    std::int64_t timeout_;
    child_process child_;
    std::string buffer_; // what the process wrote and is not taken yet
    std::string errors_; // the end of what it wrote on its standard error
    link_loss loss_;
};

} // namespace quon::host

#endif
