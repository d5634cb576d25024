#include "panel_process/state_report.h"

namespace quon::host {

namespace {

// `now` where it differs from `told`, which becomes `now`.
std::optional<std::string> changed(std::string& told, std::string now, bool first) {
    if (!first && now == told) return std::nullopt;
    told = now;
    return now;
}

} // namespace

std::string state_report::next(live_panel& live) {
    state_update u;
    const bool first = !devicesRevision_;
    u.summary = changed(summary_, live.summary(), first);
    u.status = changed(status_, live.running() ? "running" : "stopped", first);
    if (first || *devicesRevision_ != live.devices_revision()) {
        u.devices = changed(devices_, live.devices_json(), first);
        u.deviceStates = live.device_states(first ? 0 : *devicesRevision_);
        if (first || live.names_revision() > namesRevision_) u.names = live.source_names();
        devicesRevision_ = live.devices_revision();
        namesRevision_ = live.names_revision();
    }
    const page_painter::change picture = painter_.draw(live.page(), live.layout());
    if (picture.whole) u.picture = painter_.picture();
    for (std::size_t place : picture.controls) u.controls.emplace_back(place, painter_.picture().controls[place]);
    u.timers = {live.timers().now(), live.timers().running()};
    if (live.studio_member()) {
        u.made = live.take_made();
        u.told = live.bound_count();
    }
    return state_message(u);
}

} // namespace quon::host
