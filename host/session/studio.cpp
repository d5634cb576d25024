#include "session/studio.h"

#include "session/step_guard.h"

#include <algorithm>

namespace quon::host {

bool change_bound::take(std::size_t changes) {
    count_.reached = count_.reached || count_.told > maxChangesPerAction || changes > maxChangesPerAction - count_.told;
    if (!count_.reached) count_.told += changes;
    return !count_.reached;
}

std::string change_bound::problem() const {
    return (count_.action.empty() ? std::string("this action") : "\"" + count_.action + "\"") +
           ": the scripts keep changing devices for each other: " + std::to_string(maxChangesPerAction) +
           " reports of changes told in one action, the bound; the remaining reports are dropped";
}

studio::studio(std::vector<script_entry> scripts, device_model& devices, conversation_log& log, bool routed)
    : log_(log), routed_(routed) {
    for (script_entry& e : scripts) members_.push_back(std::make_unique<member>(std::move(e), devices, log));
    if (members_.size() < 2 && !routed) return; // one script: its host keeps its own reports, as ever
    for (std::size_t i = 0; i < members_.size(); ++i) {
        emulated_host& host = at(i).session.host();
        host.set_script(static_cast<int>(i));
        host.route_reports([this](std::vector<addressed_report> reports) {
            queued_.insert(queued_.end(), reports.begin(), reports.end());
        });
    }
}

std::size_t studio::find(const std::string& name) const {
    for (std::size_t i = 0; i < members_.size(); ++i)
        if (at(i).entry.name == name) return i;
    return members_.size();
}

bool studio::select(const std::string& name) {
    const std::size_t i = find(name);
    if (i == members_.size()) return false;
    current_ = i;
    speak_for(i);
    return true;
}

void studio::speak_for(std::size_t i) {
    const std::string name = members_.size() > 1 ? at(i).entry.name : std::string();
    log_.set_script(name);
    step_guard_script(name);
}

bool studio::start(std::size_t i) { return at(i).session.start(at(i).entry.factory, at(i).entry.basePath); }

void studio::deliver(std::vector<addressed_report> reports) {
    queued_.insert(queued_.end(), reports.begin(), reports.end());
    deliver_queued();
}

void studio::deliver_queued() {
    // Each delivery may queue more reports: taken in order until none is left.
    for (std::size_t next = 0; next < queued_.size(); ++next) {
        const bool reachedBefore = bound_.reached(); // said once an action, by the take that reaches it
        if (!bound_.take(1)) {
            if (!reachedBefore) log_.problem(bound_.problem());
            break;
        }
        const addressed_report r = queued_[next];
        if (r.script < 0 || static_cast<std::size_t>(r.script) >= members_.size()) continue;
        speak_for(static_cast<std::size_t>(r.script));
        panel_session& session = at(static_cast<std::size_t>(r.script)).session;
        session.report(r.report);
        session.deliver_pending();
    }
    queued_.clear();
    speak_for(current_);
}

int studio::wait(std::int32_t ms) {
    const std::int64_t until = clock(current_).now() + ms;
    int ticks = 0;
    for (;;) {
        // The script with the earliest tick due; the clocks all move to it.
        std::size_t due = members_.size();
        std::int64_t dueMs = until + 1;
        for (std::size_t i = 0; i < members_.size(); ++i)
            for (const timer_clock::timer& t : clock(i).running())
                if (t.dueMs < dueMs) dueMs = t.dueMs, due = i;
        if (due == members_.size()) break;
        for (std::size_t i = 0; i < members_.size(); ++i) clock(i).advance_to(dueMs);
        const std::optional<std::int32_t> id = clock(due).next_tick(until);
        speak_for(due);
        log_.note("virtual time " + std::to_string(clock(due).now()) + " ms");
        at(due).session.timer(*id);
        deliver_queued();
        ++ticks;
    }
    for (std::size_t i = 0; i < members_.size(); ++i) clock(i).advance_to(until);
    return ticks;
}

bool studio::any_running() const {
    return std::any_of(members_.begin(), members_.end(), [](const auto& m) { return m->session.running(); });
}

int studio::outstanding() {
    int n = 0;
    for (auto& m : members_) n += m->session.host().outstanding();
    return n;
}

void studio::clear_step(const std::string& action) {
    if (!routed_) bound_.reset(action);
    for (auto& m : members_) {
        m->session.host().clear_commands();
        m->session.clear_debug_texts();
    }
}

} // namespace quon::host
