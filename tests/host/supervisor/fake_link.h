// fake_link: a panel's process as a test scripts it, behind the supervisor's
// panel_link: each script's reactions by message, every message kept in order.
// A studio's process counts reports as a real one does: on from the count a
// "told" frame carries (a start from none), one for each change it is told
// and one for each it makes (its own report), none past the bound (a change
// told then is taken without its report, and causes nothing).
#ifndef TESTS_HOST_SUPERVISOR_FAKE_LINK_H
#define TESTS_HOST_SUPERVISOR_FAKE_LINK_H

#include "base/exit_status.h"
#include "protocol/messages.h"
#include "supervisor/panel_link.h"

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quon::host {

// What the processes do, by script ("" for a script alone) and message
// ("act", "change", "begin", "play", "step", "stop", "finish"); any message
// with no reaction left is answered at once.
struct fake_panels {
    enum class does { answer, crash, hang, exit, slow, changes_back };
    struct reaction {
        reaction(does w = does::answer, std::vector<device_setting> c = {}, std::vector<std::string> sent = {})
            : what(w), changes(std::move(c)), commands(std::move(sent)) {}
        does what;
        std::vector<device_setting> changes; // made, in order, reported before the answer
        std::vector<std::string> commands;   // what the panel sent, in the answer
    };
    std::map<std::pair<std::string, std::string>, std::deque<reaction>> plan;
    std::vector<std::string> sent; // "SCRIPT MESSAGE BYTES", in order (after any "told" frame)
    // By script: each change it was told with its report, in order, and the
    // count each message it took continued.
    std::map<std::string, std::vector<device_setting>> reported;
    std::map<std::string, std::vector<change_bound::count>> carried;
    int processes = 0;

    void on(const std::string& script, const std::string& message, reaction r) {
        plan[{script, message}].push_back(std::move(r));
    }
    std::size_t count(const std::string& script, const std::string& message) const {
        std::size_t n = 0;
        for (const std::string& s : sent) n += s.rfind(script + " " + message + " ", 0) == 0;
        return n;
    }
    link_maker maker();
};

class fake_link : public panel_link {
public:
    explicit fake_link(fake_panels& panels) : panels_(panels) {}

    // A studio's process names its script as "NAME=LIBRARY".
    bool start(const std::vector<std::string>& args, std::string&) override {
        const std::size_t eq = args.size() > 2 ? args[2].find('=') : std::string::npos;
        script_ = eq == std::string::npos ? "" : args[2].substr(0, eq);
        pid_ = ++panels_.processes;
        return true;
    }
    long pid() const override { return pid_; }
    void post(const std::string&) override {}
    const link_loss& loss() const override { return loss_; }
    void end(steady::time_point) override {}

    bool exchange(const std::string& message, const char* until, live_result* result, listener& told) override {
        std::string_view name, bytes;
        std::string why;
        std::size_t at = 0;
        change_bound bound;
        if (!message.empty()) read_frame(message, at, name, bytes, why);
        if (name == "told") take_told(message, at, name, bytes, bound);
        panels_.sent.push_back(script_ + " " + std::string(name) + " " + std::string(bytes));
        fake_panels::reaction r;
        auto& queued = panels_.plan[{script_, std::string(name)}];
        if (!queued.empty()) {
            r = queued.front();
            queued.pop_front();
        }
        const bool delivered = name != "change" || report_changes(bytes, bound);
        switch (r.what) {
        case fake_panels::does::crash:
            return lose(panel_end::crashed, "the panel crashed (SIGSEGV) during " + std::string(name),
                        exitPanelCrashed);
        case fake_panels::does::hang:
            return lose(panel_end::hung, "the panel did not return within 1 s during " + std::string(name),
                        exitPanelHung);
        case fake_panels::does::exit:
            return lose(panel_end::exited, "the panel's process ended (exit status 0)", 0);
        case fake_panels::does::slow: { // it runs past a restart's patience
            const std::string given = told.give_up(steady::now() - std::chrono::seconds(2), false);
            if (!given.empty()) return lose(panel_end::hung, given + " (signal 9)", -1);
            break;
        }
        case fake_panels::does::changes_back: // changes a device when told of changes
            r.changes = {{7, 1, {static_cast<std::int32_t>(panels_.sent.size()), ""}}};
            break;
        case fake_panels::does::answer:
            break;
        }
        if (!delivered) r.changes.clear();                                // told nothing: no callback made any
        for (std::size_t i = 0; i < r.changes.size(); ++i) bound.take(1); // its own reports
        state_update state;
        state.status = "running";
        if (!script_.empty()) { // a studio's
            state.made = r.changes;
            state.told = bound.state();
            for (const device_setting& c : r.changes)
                state.deviceStates.push_back({c.device, c.index, std::to_string(c.state.number)});
        }
        told.take_state(state);
        if (result) {
            result->ok = result->recorded = true;
            result->commands = r.commands;
            // An action's step; "stop", or "start" for a "begin start", as the panel's process plays them.
            result->step = name == "act"     ? std::string(bytes.substr(bytes.find('\n') + 1))
                           : name == "begin" ? std::string(bytes)
                                             : std::string(name);
        }
        (void)until;
        return true;
    }

private:
    // The count a "told" frame carries (a start counts from none), and the message after it.
    void take_told(const std::string& message, std::size_t& at, std::string_view& name, std::string_view& bytes,
                   change_bound& bound) {
        change_bound::count c;
        std::string why;
        if (read_told(bytes, c)) panels_.carried[script_].push_back(c);
        if (read_told(bytes, c) && message.find("begin ", at) != at) bound.resume(c);
        read_frame(message, at, name, bytes, why);
    }
    // Each change told is reported while the bound lets it; whether any was.
    bool report_changes(std::string_view bytes, change_bound& bound) {
        std::string origin;
        std::vector<device_setting> changes;
        bool any = false;
        read_change(bytes, origin, changes);
        for (const device_setting& c : changes)
            if (bound.take(1)) {
                panels_.reported[script_].push_back(c);
                any = true;
            }
        return any;
    }
    bool lose(panel_end how, const std::string& fault, int status) {
        loss_ = {how, fault, "", status};
        return false;
    }

    fake_panels& panels_;
    std::string script_;
    long pid_ = 0;
    link_loss loss_;
};

inline link_maker fake_panels::maker() {
    return [this](std::int64_t) { return std::make_unique<fake_link>(*this); };
}

} // namespace quon::host

#endif
