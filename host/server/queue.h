// queue: the actions from the pages, in the order they came, for the
// host's one thread. Server threads push and may wait for the result; the
// host's thread pops and answers, so the panel never gets two calls at once.
#ifndef HOST_SERVER_QUEUE_H
#define HOST_SERVER_QUEUE_H

#include "protocol/messages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {



class action_queue {
public:
    static constexpr std::size_t limit = 256;

    // An action whose result the caller waits for; nothing when the queue is
    // full or closed.
    std::optional<std::future<live_result>> push(const std::string& origin, request_outcome request);
    // Something refused before it became an action, only for the log.
    void notice(const std::string& origin, const std::string& error);
    std::optional<live_action> pop(std::chrono::milliseconds wait);
    // No more actions; those still waiting are answered that the server stops.
    void close();
    // Set when a restart waits: a panel that has not answered is given up
    // at once rather than waited for.
    std::atomic<bool> restartWaiting{false};

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<live_action> actions_;
    bool closed_ = false;
};

} // namespace quon::host

#endif
