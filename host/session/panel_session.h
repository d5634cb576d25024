// panel_session: one script's life in this host: creates it through the
// library's factory, delivers events to it (status reports, control events,
// property messages, timer ticks), hands its answers back, and destroys it
// through the boundary's deleting destructor, as the studio host does.
#ifndef HOST_SESSION_PANEL_SESSION_H
#define HOST_SESSION_PANEL_SESSION_H

#include "session/conversation_log.h"
#include "session/debug_capture.h"
#include "devices/model.h"
#include "session/emulated_host.h"
#include "picture/page_model.h"
#include "quon_export.h"

#include <optional>
#include <string>
#include <vector>

namespace quon::host {

class panel_session {
public:
    panel_session(device_model& devices, page_model& page, conversation_log& log);
    ~panel_session() { stop(); }
    panel_session(const panel_session&) = delete;
    panel_session& operator=(const panel_session&) = delete;

    // Calls the factory with this host and the base path, then delivers the
    // reports its polls asked for. False when the factory gives null.
    bool start(quon_load_script_fn factory, const std::string& basePath);
    // Destroys the script (deleting destructor, flags 1). Nothing when none.
    void stop();
    // Leaves the panel without destroying it (its process ended where the
    // recording being replayed was made); its timers and reports go.
    void abandon();
    bool running() const { return script_ != nullptr; }

    // Kind 1, then whatever polls the script made meanwhile.
    void report(const status_report& r);
    void deliver_pending();
    // Kind 2 with a button record; `event` is "name" or "name=value".
    void button(const std::string& panel, const std::string& id, const std::string& event);
    // Kind 3; a non-null answer is copied, then handed back with kind 5.
    std::optional<std::string> property(const std::string& message);
    // Kind 4 with the id in place of a pointer.
    void timer(std::int32_t id);

    emulated_host& host() { return host_; }
    // The debugger texts written since the last clear (the first few
    // thousand), for checks; each is also in the conversation.
    const std::vector<std::string>& debug_texts() const { return debugTexts_; }
    void clear_debug_texts() {
        debugTexts_.clear();
        debugTextsBytes_ = 0;
    }

private:
    // Brackets every call into the script: its debugger texts are captured
    // and shown where it wrote them.
    class script_call {
    public:
        explicit script_call(panel_session& s) : s_(s) { s_.debug_.begin(); }
        ~script_call() {
            s_.end_if_forked();
            s_.show_debug();
            s_.debug_.end();
        }

    private:
        panel_session& s_;
    };
    void show_debug();
    // A panel that forks returns into this host in its child too: the child
    // ends at once, so that only the process the session began in plays on
    // and writes its results.
    void end_if_forked() const;

    conversation_log& log_;
    debug_capture debug_;
    std::vector<std::string> debugTexts_;
    std::size_t debugTextsBytes_ = 0; // their bytes, at most debugHeldBytes
    emulated_host host_;
    quon_client_callback* script_ = nullptr;
    long process_; // the process the session began in
};

} // namespace quon::host

#endif
