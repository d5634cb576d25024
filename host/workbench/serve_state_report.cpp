#include "serve_state_report.h"

namespace {

// `now` where it differs from `told`, which becomes `now`.
std::optional<std::string> changed(std::string& told, std::string now, bool first) {
    if (!first && now == told) return std::nullopt;
    told = now;
    return now;
}

// The entries of `now` that `told` does not hold as they are; `told` becomes `now`.
std::vector<device_change> changed(std::vector<device_change>& told, std::vector<device_change> now) {
    std::vector<device_change> news;
    for (std::size_t i = 0; i < now.size(); ++i)
        if (i >= told.size() || told[i].device != now[i].device || told[i].index != now[i].index ||
            told[i].value != now[i].value)
            news.push_back(now[i]);
    told = std::move(now);
    return news;
}

} // namespace

std::string state_report::next(live_panel& live) {
    state_update u;
    const bool first = !devicesRevision_;
    u.summary = changed(summary_, live.summary(), first);
    u.status = changed(status_, live.running() ? "running" : "stopped", first);
    if (first || *devicesRevision_ != live.devices_revision()) {
        devicesRevision_ = live.devices_revision();
        u.devices = changed(devices_, live.devices_json(), first);
        u.deviceStates = changed(deviceStates_, live.device_states());
        u.names = changed(names_, live.source_names());
    }
    const page_painter::change picture = painter_.draw(live.page(), live.layout());
    if (picture.whole) u.picture = painter_.picture();
    for (std::size_t place : picture.controls) u.controls.emplace_back(place, painter_.picture().controls[place]);
    u.timers = {live.timers().now(), live.timers().running()};
    return state_message(u);
}
