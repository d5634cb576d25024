// reported_state: what the panel's processes last reported, which outlives
// each of them: the pages' state (summary, devices, picture), the devices'
// states and source names a new process starts from, and the host's timers
// that the server ticks in real time. It publishes to the pages' feed with
// the panel's status beside it.
#ifndef HOST_SUPERVISOR_REPORTED_STATE_H
#define HOST_SUPERVISOR_REPORTED_STATE_H

#include "protocol/messages.h"
#include "server/feed.h"
#include "supervisor/ticks.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quon::host {

// The panel's status as the pages show it.
struct panel_status {
    std::string state;   // "running", "stopped" or "down"
    long pid = 0;        // of its process; 0 when none runs
    std::string fault;   // why no panel runs; empty while one does
    std::string step;    // the step it ended in
    std::string note;    // the last restart or reload
    std::string library; // as serve was given it
    std::string script;  // its name in a studio; empty for a script alone
    // --paused: the step whose page is shown, of how many
    std::optional<std::pair<std::size_t, std::size_t>> paused;
    std::string json() const;
};

// States by device and index (for names: by router and source), each kept
// once whatever the number of reports, in a map: a lookup costs the
// logarithm of the indices held, not a scan of every report.
class held_states {
public:
    // A device index's state replaced, or added.
    void keep(const device_change& c) { states_[{c.device, c.index}] = c.value; }
    void keep(const std::vector<device_change>& news) {
        for (const device_change& c : news) keep(c);
    }
    std::vector<device_change> list() const;
    void clear() { states_.clear(); }

private:
    std::map<std::pair<std::int32_t, std::int32_t>, std::string> states_;
};

class reported_state {
public:
    // `script`: its place among the feed's scripts.
    reported_state(live_feed& feed, std::size_t script) : feed_(feed), script_(script) {}

    // Keeps what a state message changed; false when it does not fit what
    // was reported before (a control group the picture does not have).
    bool take(state_update& update, std::chrono::steady_clock::time_point at);
    // Whether the panel ran at the last report.
    bool running() const { return state_.status == "running"; }
    // The pages get the state, the status and, while a process runs, the timers.
    void publish(const panel_status& status);

    // A scenario replayed from its start (--paused): the devices start as declared.
    void forget_devices() {
        devices_.clear();
        names_.clear();
    }
    // Changes made while no process of this script ran (another script of a
    // studio made them): a new process starts from them.
    void keep_devices(const std::vector<device_change>& changes) { devices_.keep(changes); }
    const held_states& devices() const { return devices_; }
    const held_states& names() const { return names_; }
    tick_schedule& ticks() { return ticks_; }
    const tick_schedule& ticks() const { return ticks_; }

private:
    live_feed& feed_;
    std::size_t script_;
    feed_state state_;
    bool devicesNew_ = false; // state_.devices came with the last report: the pages get it
    tick_schedule ticks_;
    held_states devices_, names_;
};

} // namespace quon::host

#endif
