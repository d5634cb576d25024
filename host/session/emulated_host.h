// emulated_host: this program's side of the boundary, the object a script
// calls with kind 0 (commands) and kind 5 (hand-backs). It executes each
// command against the device and page models, keeps a reply alive until the
// script hands it back (quon_hand_back.h says which come back; the last of
// the others lives until the next command), and queues the status reports
// that polls ask for; they are delivered once the script has returned.
#ifndef HOST_SESSION_EMULATED_HOST_H
#define HOST_SESSION_EMULATED_HOST_H

#include "session/command_parser.h"
#include "session/conversation_log.h"
#include "devices/model.h"
#include "picture/page_model.h"
#include "quon_client_callback.h"
#include "session/timer_clock.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quon::host {

class emulated_host final : public quon_client_callback {
public:
    emulated_host(device_model& devices, page_model& page, conversation_log& log)
        : devices_(devices), page_(page), log_(log) {}
    ~emulated_host() = default;
    emulated_host(const emulated_host&) = delete;
    emulated_host& operator=(const emulated_host&) = delete;

    // This object belongs to the program; a script never destroys it.
    void* deletingDestructor(unsigned) override;
    char* callback(void* arg, unsigned kind) override;

    // Called first on every call from the script, so that what the script
    // wrote to its debugger before shows in the conversation before it.
    void on_call(std::function<void()> hook) { onCall_ = std::move(hook); }

    // Reports asked for by polls and not delivered yet, oldest first.
    std::vector<status_report> take_pending();
    // Command texts received since the last clear (malformed ones included).
    const std::vector<std::string>& commands() const { return commands_; }
    void clear_commands() { commands_.clear(); }
    // Replies that the script must hand back and has not yet.
    int outstanding() const { return static_cast<int>(owed_.size()); }
    // Replies this host keeps alive now, owed or not.
    std::size_t held() const { return owed_.size() + (ignored_ ? 1 : 0); }
    // Whether the script signed off ("AS"). A command after that comes from
    // a panel that is gone: it is counted and shown, named as a problem and
    // not executed.
    bool shut_down() const { return shutDown_; }
    // A new script starts on this host: it has not signed off.
    void new_script() { shutDown_ = false; }
    // The timers this host runs: "ET" stops one, a declared timer-start
    // (re)starts one.
    timer_clock& timers() { return timers_; }
    // The devices file's timers run from the panel's start, as its page would start them.
    void start_declared_timers();
    // The script's id in the device model's registrations (0 unless a
    // studio hosts several scripts).
    void set_script(int id) { script_ = id; }
    // In a studio, the reports of a change this host's script makes go to
    // every script registered for it: the sink takes them all, in
    // registration order, and delivers them. Without one, this script's own
    // report is queued with its polls' reports.
    void route_reports(std::function<void(std::vector<addressed_report>)> sink) { routeReports_ = std::move(sink); }

private:
    void execute_registration(const host_command& c, device_type type);
    std::optional<std::string> execute(const host_command& c);
    // A command the devices file declares: its effect.
    void execute_declared(const host_command& c, const declared_command& d);
    bool check_device(const host_command& c, device_type expected);
    // A device change a command makes; its report, if registered, is queued.
    void change(const device_change& c);
    char* keep(const std::string& text, bool owed);
    void hand_back(char* text);

    device_model& devices_;
    page_model& page_;
    conversation_log& log_;
    std::function<void()> onCall_;
    std::function<void(std::vector<addressed_report>)> routeReports_;
    int script_ = 0;
    // Owed replies by address, so a hand-back is found at once and freed.
    std::unordered_map<const char*, std::unique_ptr<char[]>> owed_;
    std::unique_ptr<char[]> ignored_; // the last reply that is never handed back
    std::vector<status_report> pending_;
    std::vector<std::string> commands_;
    timer_clock timers_;
    bool shutDown_ = false;
};

} // namespace quon::host

#endif
