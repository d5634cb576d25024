// http_server: the HTTP side of "serve", on 127.0.0.1 only:
//   GET  /             the page
//   GET  /api/events   Server-Sent Events: conversation lines and state
//   POST /api/ACTION   an action (form fields), answered with JSON once the
//                      host's thread has carried it out or refused it; one
//                      that takes longer than the answer wait is answered
//                      202 (pending) and its result sent as a "result" event
// Anything else is refused with a JSON error that the log shows too.
#ifndef HOST_SERVER_HTTP_SERVER_H
#define HOST_SERVER_HTTP_SERVER_H

#include "server/feed.h"
#include "server/queue.h"

#include <chrono>
#include <memory>
#include <string>

namespace quon::host {

class live_server {
public:
    static constexpr std::chrono::milliseconds defaultAnswerWait{30000};

    live_server(action_queue& queue, live_feed& feed);
    ~live_server();
    // How long a request waits for its action's result (tests shorten it).
    void set_answer_wait(std::chrono::milliseconds wait);

    // Binds 127.0.0.1:port (0: any free port). False with why when it cannot.
    bool bind(int port, std::string& error);
    int port() const { return port_; }
    // Serves on a thread of its own until stop().
    void start();
    void stop();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
    int port_ = 0;
};

} // namespace quon::host

#endif
