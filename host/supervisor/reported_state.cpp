#include "supervisor/reported_state.h"

#include "base/json_text.h"

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

std::vector<device_change> held_states::list() const {
    std::vector<device_change> all;
    for (const auto& [at, value] : states_) all.push_back({at.first, at.second, value});
    return all;
}

bool reported_state::take(state_update& u, std::chrono::steady_clock::time_point at) {
    if (u.picture) feed_.set_picture(std::move(*u.picture), script_);
    if (!feed_.change_controls(u.controls, script_)) return false;
    if (u.summary) state_.summary = std::move(*u.summary);
    if (u.devices) state_.devices = std::move(*u.devices);
    devicesNew_ = devicesNew_ || u.devices;
    if (u.status) state_.status = std::move(*u.status);
    devices_.keep(u.deviceStates);
    names_.keep(u.names);
    ticks_.report(u.timers, at);
    return true;
}

void reported_state::publish(const panel_status& status) {
    feed_state s = state_;
    if (!devicesNew_) s.devices.clear(); // another script's process may have reported them since
    devicesNew_ = false;
    s.status = status.json();
    s.timers = status.pid ? timers_json(ticks_.timers()) : "[]";
    feed_.set_state(std::move(s), script_);
}

} // namespace quon::host
