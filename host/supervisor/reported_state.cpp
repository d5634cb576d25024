#include "supervisor/reported_state.h"

#include "base/json_text.h"

#include <algorithm>

namespace quon::host {

std::string panel_status::json() const {
    return "{\"state\":\"" + state + "\",\"pid\":" + (pid ? std::to_string(pid) : "null") +
           ",\"fault\":" + json_string(fault) + ",\"step\":" + json_string(step) + ",\"note\":" + json_string(note) +
           ",\"library\":" + json_string(library) + (script.empty() ? "" : ",\"script\":" + json_string(script)) +
           (paused ? ",\"paused\":{\"shown\":" + std::to_string(paused->first) +
                         ",\"of\":" + std::to_string(paused->second) + "}"
                   : std::string()) +
           "}";
}

void keep_changes(std::vector<device_change>& held, const std::vector<device_change>& news) {
    for (const device_change& c : news) {
        auto same = std::find_if(held.begin(), held.end(),
                                 [&](const device_change& h) { return h.device == c.device && h.index == c.index; });
        if (same == held.end()) held.push_back(c);
        else same->value = c.value;
    }
}

bool reported_state::take(state_update& u, std::chrono::steady_clock::time_point at) {
    if (u.picture) feed_.set_picture(std::move(*u.picture), script_);
    if (!feed_.change_controls(u.controls, script_)) return false;
    if (u.summary) state_.summary = std::move(*u.summary);
    if (u.devices) state_.devices = std::move(*u.devices);
    devicesNew_ = devicesNew_ || u.devices;
    if (u.status) state_.status = std::move(*u.status);
    keep_changes(devices_, u.deviceStates);
    keep_changes(names_, u.names);
    ticks_.report(u.timers, at);
    return true;
}

void reported_state::keep_devices(const std::vector<device_change>& changes) { keep_changes(devices_, changes); }

void reported_state::publish(const panel_status& status) {
    feed_state s = state_;
    if (!devicesNew_) s.devices.clear(); // another script's process may have reported them since
    devicesNew_ = false;
    s.status = status.json();
    s.timers = status.pid ? timers_json(ticks_.timers()) : "[]";
    feed_.set_state(std::move(s), script_);
}

} // namespace quon::host
