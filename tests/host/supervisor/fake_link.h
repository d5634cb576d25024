// fake_link: a panel's process as a test scripts it, behind the supervisor's
// panel_link: each script's reactions by message, every message kept in order.
#ifndef TESTS_HOST_SUPERVISOR_FAKE_LINK_H
#define TESTS_HOST_SUPERVISOR_FAKE_LINK_H

#include "base/exit_status.h"
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
        reaction(does w = does::answer, std::vector<device_change> c = {}, std::vector<std::string> sent = {})
            : what(w), changes(std::move(c)), commands(std::move(sent)) {}
        does what;
        std::vector<device_change> changes; // reported as changed before the answer
        std::vector<std::string> commands;  // what the panel sent, in the answer
    };
    std::map<std::pair<std::string, std::string>, std::deque<reaction>> plan;
    std::vector<std::string> sent; // "SCRIPT MESSAGE BYTES", in order
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
        if (!message.empty()) read_frame(message, at, name, bytes, why);
        panels_.sent.push_back(script_ + " " + std::string(name) + " " + std::string(bytes));
        fake_panels::reaction r;
        auto& queued = panels_.plan[{script_, std::string(name)}];
        if (!queued.empty()) {
            r = queued.front();
            queued.pop_front();
        }
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
        case fake_panels::does::changes_back: // changes a device on every change it is told of
            r.changes = {{7, 1, std::to_string(panels_.sent.size())}};
            break;
        case fake_panels::does::answer:
            break;
        }
        state_update state;
        state.status = "running";
        state.deviceStates = r.changes;
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
