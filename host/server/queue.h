// queue: the actions from the pages, in the order they came, for the
// host's one thread. Server threads push and may wait for the result; the
// host's thread pops and answers, so the panel never gets two calls at once.
#ifndef HOST_SERVER_QUEUE_H
#define HOST_SERVER_QUEUE_H

#include "protocol/messages.h"
#include "server/page_actions.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {

// The result of one action, given once by the host's thread. Its request
// waits for it a while; once the request has stopped waiting (a step that
// takes longer), the result goes to the request's `late` instead.
class action_answer {
public:
    // The host's thread took the action up.
    void taken();
    void set_value(live_result result);
    // The result if it comes within `wait`. Otherwise nothing, `taken` says
    // whether the host's thread has the action (or it still waits its turn),
    // and `late` is given the result when it comes.
    std::optional<live_result> wait_for(std::chrono::milliseconds wait, std::function<void(const live_result&)> late,
                                        bool& taken);

private:
    std::mutex lock_;
    std::condition_variable given_;
    std::optional<live_result> result_;
    std::function<void(const live_result&)> late_;
    bool taken_ = false, gone_ = false; // gone_: the request no longer waits
};

struct live_action {
    std::string origin; // "POST /api/route", for the log
    request_outcome request;
    // Set for requests that wait for their result; a notice has none.
    std::shared_ptr<action_answer> done;
};

class action_queue {
public:
    static constexpr std::size_t limit = 256;

    // An action whose result the caller waits for; nothing when the queue is
    // full or closed.
    std::shared_ptr<action_answer> push(const std::string& origin, request_outcome request);
    // Something refused before it became an action, only for the log.
    void notice(const std::string& origin, const std::string& error);
    std::optional<live_action> pop(std::chrono::milliseconds wait);
    // No more actions; those still waiting are answered that the server stops.
    void close();
    // Whether a restart of the script named `script` waits in the queue (one
    // that names no script is the first's): a panel of it that has not
    // answered is given up at once rather than waited for. A restart the
    // queue refused (full) was never queued, so it is not pending.
    bool pending_restart(const std::string& script, bool first);

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<live_action> actions_;
    bool closed_ = false;
};

} // namespace quon::host

#endif
