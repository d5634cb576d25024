// studio: the scripts a run hosts on one device model, each with its own
// page and session, and the one the scenario's steps go to. A change of a
// device reaches every script registered for it, in the order the scripts
// registered, as a studio's host reports it; the device states are shared.
// With one script the run is that of a host of one script, untagged.
#ifndef HOST_SCENARIO_STUDIO_H
#define HOST_SCENARIO_STUDIO_H

#include "devices/model.h"
#include "picture/page_model.h"
#include "quon_export.h"
#include "session/conversation_log.h"
#include "session/panel_session.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quon::host {

// One script of a run: its name (in "script NAME" and the conversation's
// tags), its library's factory and the base path it is created with.
struct script_entry {
    std::string name;
    quon_load_script_fn factory = nullptr;
    std::string basePath;
};

// Scripts that answer each other's changes could go on for ever: one
// action (a step, a page's action, a tick) tells the scripts at most
// maxChangesPerAction reports of device changes, each report of a change
// told to one script counting once (the script that made it included). The
// report that would pass it is dropped with the rest: a fault of the
// scripts, named once as a problem. run (studio::deliver_queued) counts
// against it, and so does serve: each script's process counts its reports,
// continuing the count the studio supervisor carries from one process to
// the next (resume), so both cut at the same report.
class change_bound {
public:
    static constexpr std::size_t maxChangesPerAction = 10000;

    // How far one action is: what serve carries across its pipe.
    struct count {
        std::size_t told = 0;
        bool reached = false;
        std::string action; // the action's step, for the problem line
    };

    // Whether `changes` more may be told in this action; false once the
    // bound would be passed, and from then on until the next action.
    bool take(std::size_t changes);
    bool reached() const { return count_.reached; }
    // A new action: none told yet.
    void reset(std::string action = "") { count_ = {0, false, std::move(action)}; }
    // An action counted on from elsewhere (another script's process).
    void resume(count c) { count_ = std::move(c); }
    const count& state() const { return count_; }
    // The problem line once reached: the action and the bound.
    std::string problem() const;

private:
    count count_{0, false, "start"}; // a run begins by starting its scripts
};

class studio {
public:
    struct member {
        member(script_entry e, device_model& devices, conversation_log& log)
            : entry(std::move(e)), session(devices, page, log) {}
        script_entry entry;
        page_model page;
        panel_session session;
    };

    // `routed`: a script alone is one of a studio served in processes of
    // their own: its reports go round as a studio's, and its bound's count
    // is carried in (carry) rather than begun anew at each step.
    studio(std::vector<script_entry> scripts, device_model& devices, conversation_log& log, bool routed = false);
    studio(const studio&) = delete;
    studio& operator=(const studio&) = delete;

    std::size_t size() const { return members_.size(); }
    member& at(std::size_t i) { return *members_[i]; }
    const member& at(std::size_t i) const { return *members_[i]; }
    member& current() { return *members_[current_]; }
    const member& current() const { return *members_[current_]; }
    std::size_t current_index() const { return current_; }
    // The index of the script named `name`; size() when none is.
    std::size_t find(const std::string& name) const;
    // The next steps go to the script named `name`; false when none is.
    bool select(const std::string& name);
    // The conversation's lines are about script i from here on (tagged
    // with its name when there are several scripts).
    void speak_for(std::size_t i);

    // Creates script i (destroying it first if it runs); false when its
    // factory gave null.
    bool start(std::size_t i);
    // Reports of a device change, each delivered to its script, then the
    // reports those deliveries cause, in order.
    void deliver(std::vector<addressed_report> reports);
    void deliver_queued();
    // Virtual time for every script at once: the ticks due within `ms`, in
    // time order (the earlier script first at the same time); the count.
    int wait(std::int32_t ms);

    bool any_running() const;
    // Replies the scripts have not handed back.
    int outstanding();
    // A new action (its step `action`): the commands and debugger texts so
    // far are the last step's, and its changes count anew against the
    // bound (routed: on from what was carried in).
    void clear_step(const std::string& action = "");
    // The last action's changes reached change_bound and the rest were dropped.
    bool bound_reached() const { return bound_.reached(); }
    // Routed: the count of the action this process's part continues.
    void carry(change_bound::count c) { bound_.resume(std::move(c)); }
    const change_bound::count& bound_count() const { return bound_.state(); }

private:
    timer_clock& clock(std::size_t i) { return at(i).session.host().timers(); }

    std::vector<std::unique_ptr<member>> members_;
    conversation_log& log_;
    std::size_t current_ = 0;
    // Reports of changes the scripts made, not delivered yet (several scripts only).
    std::vector<addressed_report> queued_;
    change_bound bound_;
    bool routed_;
};

} // namespace quon::host

#endif
