#include "devices/model.h"

#include "base/decimal_number.h"

#include <algorithm>

namespace quon::host {

void device_model::declare(device_set declared) {
    namesRevision_ = ++revision_;
    declared_ = std::move(declared);
    devices_.clear();
    for (const declared_device& entry : declared_.devices) {
        device d;
        d.declared = &entry;
        d.states.assign(static_cast<std::size_t>(entry.size) + 1, "0");
        d.setAt.assign(d.states.size(), revision_);
        for (const auto& [index, text] : entry.initial) d.states[static_cast<std::size_t>(index)] = text;
        d.names = entry.names;
        devices_.push_back(std::move(d));
    }
}

device_model::device* device_model::find(std::int32_t number) {
    // devices_ follows the declared devices' order.
    const auto at = declared_.numbered.find(number);
    return at == declared_.numbered.end() ? nullptr : &devices_[at->second];
}

const device_model::device* device_model::find(std::int32_t number) const {
    return const_cast<device_model*>(this)->find(number);
}

std::optional<device_type> device_model::type_of(std::int32_t number) const {
    const device* d = find(number);
    if (!d) return std::nullopt;
    return d->declared->type;
}

std::optional<std::string> device_model::source_name(std::int32_t number, std::int32_t selector,
                                                     std::int32_t index) const {
    const device* d = find(number);
    if (!d || d->declared->type != device_type::router) return std::nullopt;
    for (std::int32_t s : {selector, declared_device::anySelector}) {
        auto names = d->names.find(s);
        if (names == d->names.end()) continue;
        auto name = names->second.find(index);
        if (name != names->second.end()) return name->second;
    }
    return std::nullopt;
}

bool device_model::set_source_name(std::int32_t number, std::int32_t selector, std::int32_t source,
                                   const std::string& name) {
    device* d = find(number);
    if (!d || d->declared->type != device_type::router || source < 1 || source > d->declared->sources) return false;
    d->names[selector][source] = name;
    namesRevision_ = ++revision_;
    return true;
}

bool device_model::register_range(std::int32_t number, std::int32_t first, std::int32_t last, bool add, int script) {
    device* d = find(number);
    if (!d) return false;
    auto own = std::find_if(d->registrations.begin(), d->registrations.end(),
                            [script](const script_registrations& r) { return r.script == script; });
    if (own == d->registrations.end()) own = d->registrations.insert(own, {script, {}});
    if (!add) own->ranges.clear();
    own->ranges.push_back({first, last});
    return true;
}

bool device_model::unregister(std::int32_t number, int script) {
    device* d = find(number);
    if (!d) return false;
    d->registrations.erase(std::remove_if(d->registrations.begin(), d->registrations.end(),
                                          [script](const script_registrations& r) { return r.script == script; }),
                           d->registrations.end());
    return true;
}

bool device_model::script_registrations::covers(std::int32_t index) const {
    for (const registration& r : ranges)
        if (index >= r.first && index <= r.last) return true;
    return false;
}

bool device_model::is_registered(std::int32_t number, std::int32_t index, int script) const {
    const device* d = find(number);
    if (!d) return false;
    for (const script_registrations& r : d->registrations)
        if (r.script == script) return r.covers(index);
    return false;
}

status_report device_model::report(const device& d, int index) const {
    status_report r;
    r.device = d.declared->number;
    r.index = index;
    r.text = d.states[static_cast<std::size_t>(index)];
    // Routers and GPI devices keep numbers; a slot's state is its text read
    // as a number, 0 when it is none.
    std::int64_t v = 0;
    std::string ignored;
    r.state = read_decimal(r.text, INT32_MIN, INT32_MAX, v, ignored) ? static_cast<std::int32_t>(v) : 0;
    return r;
}

std::vector<status_report> device_model::poll(std::int32_t number, std::int32_t first, std::int32_t last,
                                              int& skipped) const {
    std::vector<status_report> out;
    skipped = 0;
    const device* d = find(number);
    if (!d || last < first) return out;
    const int n = d->declared->size;
    // Count in 64 bits: a range such as INT32_MIN..INT32_MAX must not overflow.
    const long long lo = first, hi = last;
    const long long inLo = lo < 1 ? 1 : lo, inHi = hi > n ? n : hi;
    for (long long i = inLo; i <= inHi; ++i) out.push_back(report(*d, static_cast<int>(i)));
    const long long inside = inHi >= inLo ? inHi - inLo + 1 : 0;
    const long long outside = (hi - lo + 1) - inside;
    skipped = outside > 1000000000 ? 1000000000 : static_cast<int>(outside);
    return out;
}

const device_model::device* device_model::find(std::int32_t number, std::int32_t index, std::string& why) const {
    const device* d = find(number);
    if (!d) {
        why = "no device " + std::to_string(number);
        return nullptr;
    }
    if (index < 1 || index > d->declared->size) {
        why = std::string(device_type_name(d->declared->type)) + " device " + std::to_string(number) +
              " has no index " + std::to_string(index) + " (1.." + std::to_string(d->declared->size) + ")";
        return nullptr;
    }
    return d;
}

bool device_model::accepts(const device_setting& c, std::string& why) const {
    const device* d = find(c.device, c.index, why);
    return d && takes_state(*d->declared, c.state, why);
}

bool device_model::change(const device_setting& c, std::vector<addressed_report>& reports, std::string& why) {
    reports.clear();
    if (!accepts(c, why)) return false;
    device* d = find(c.device);
    d->states[static_cast<std::size_t>(c.index)] = state_text(*d->declared, c.state);
    d->setAt[static_cast<std::size_t>(c.index)] = ++revision_;
    if (watch_) watch_({c.device, c.index, normal_form(*d->declared, c.state)});
    for (const script_registrations& r : d->registrations)
        if (r.covers(c.index)) reports.push_back({r.script, report(*d, c.index)});
    return true;
}

bool device_model::change(const device_change& c, std::vector<addressed_report>& reports, std::string& why) {
    reports.clear();
    const device* d = find(c.device, c.index, why);
    device_setting typed{c.device, c.index, {}};
    return d && read_state(*d->declared, c.value, typed.state, why) && change(typed, reports, why);
}

bool device_model::change(const device_change& c, std::optional<status_report>& r, std::string& why) {
    r.reset();
    std::vector<addressed_report> reports;
    if (!change(c, reports, why)) return false;
    for (const addressed_report& a : reports)
        if (a.script == 0) r = a.report;
    return true;
}

std::string device_model::state(std::int32_t number, std::int32_t index) const {
    const device* d = find(number);
    if (!d || index < 1 || index > d->declared->size) return "";
    return d->states[static_cast<std::size_t>(index)];
}

std::uint64_t device_model::state_revision(std::int32_t number, std::int32_t index) const {
    const device* d = find(number);
    if (!d || index < 1 || index > d->declared->size) return 0;
    return d->setAt[static_cast<std::size_t>(index)];
}

} // namespace quon::host
