// panel_link: one panel process as the supervisor talks to it over the
// protocol (protocol/messages.h): it sends a message and takes the frames
// that come until the one that answers it, handing conversation text,
// states, earlier results and run's status to its listener as they come,
// and when the process is gone it says how, as a value (link_loss). serve's
// links are processes (supervisor/process_link.h); a test fakes one.
#ifndef HOST_SUPERVISOR_PANEL_LINK_H
#define HOST_SUPERVISOR_PANEL_LINK_H

#include "protocol/messages.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quon::host {

// How a panel's process ended.
enum class panel_end {
    crashed,     // by a signal, or its step guard caught a crash
    hung,        // no answer in time (its step guard's or ours), or given up
    exited,      // with an exit status of its own: the panel ended it
    lost_pipe,   // it stopped reading, or wrote what is not the protocol
    refused,     // it said an input was not one ("failed"): no fault of the panel's
    unloadable,  // it said the library did not load (the inputs did)
    own_failure, // this program's own code failed in it (out of memory): no fault of the panel's
};

// How a panel process was lost.
struct link_loss {
    panel_end how = panel_end::lost_pipe;
    std::string fault;   // for the pages and the log, as it happened
    std::string step;    // the step it ended in, when known
    int exitStatus = -1; // the process's, when it ended with one
};

// run's exit status for a loss that counts: a refused input is the
// process's own status, anything else the panel's crash or hang.
int loss_status(const link_loss& loss);

class panel_link {
public:
    using steady = std::chrono::steady_clock;

    // What the frames of one exchange are for, called from exchange() on
    // the supervisor's thread.
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

    virtual ~panel_link() = default;
    // Starts the process; false with why.
    virtual bool start(const std::vector<std::string>& args, std::string& error) = 0;
    virtual long pid() const = 0;
    // A message no frame answers (a device state to start from).
    virtual void post(const std::string& message) = 0;
    // Sends `message` (none: only waits), then takes frames until one named
    // `until`, whose result goes to `result`, the others to `told`. False
    // when the process was lost meanwhile (it is ended then): loss() says how.
    virtual bool exchange(const std::string& message, const char* until, live_result* result, listener& told) = 0;
    virtual const link_loss& loss() const = 0;
    // Waits until `until` for the process to end by itself, then ends it.
    virtual void end(steady::time_point until) = 0;
};

// Makes the link to a new process; `timeout` is the process's own
// watchdog, in seconds (0: none).
using link_maker = std::function<std::unique_ptr<panel_link>(std::int64_t timeout)>;

} // namespace quon::host

#endif
