#include "soak/traffic.h"

#include <cstdio>

#include "base/decimal_number.h"

#include <cmath>
#include <limits>

namespace quon::host {

namespace {
constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();
constexpr const char* kindNames[eventKinds] = {"route", "gpi", "info", "press", "release", "property", "timer"};
} // namespace

const char* event_kind_name(event_kind kind) { return kindNames[index_of(kind)]; }

traffic_rates traffic_rates::defaults() {
    traffic_rates r;
    // docs/soak.md justifies these: a busy studio, above what a control room makes.
    r.perHour[index_of(event_kind::route)] = 5 * 3600;
    r.perHour[index_of(event_kind::gpi)] = 5 * 3600;
    r.perHour[index_of(event_kind::info)] = 3 * 3600;
    r.perHour[index_of(event_kind::press)] = 2 * 3600;
    r.perHour[index_of(event_kind::property)] = 1 * 3600;
    return r;
}

bool parse_rate(const std::string& text, traffic_rates& rates, std::string& why) {
    const std::size_t equals = text.find('='), slash = text.find('/');
    if (equals == std::string::npos || slash == std::string::npos || slash < equals) {
        why = "\"" + text + "\" is not KIND=N/s, KIND=N/min or KIND=N/h";
        return false;
    }
    const std::string name = text.substr(0, equals), count = text.substr(equals + 1, slash - equals - 1),
                      unit = text.substr(slash + 1);
    std::size_t kind = eventKinds;
    for (event_kind k : scheduledKinds)
        if (name == event_kind_name(k)) kind = index_of(k);
    if (kind == eventKinds) {
        why = "no kind of traffic is named \"" + name + "\" (route, gpi, info, press, property)";
        return false;
    }
    const std::int64_t perUnit = unit == "s" ? 3600 : unit == "min" ? 60 : unit == "h" ? 1 : 0;
    std::int64_t n = 0;
    std::string ignored;
    if (perUnit == 0 || !read_decimal(count, 0, 1000000, n, ignored)) {
        why = "\"" + text + "\": the rate is N/s, N/min or N/h with N from 0 to 1000000";
        return false;
    }
    rates.perHour[kind] = n * perUnit;
    return true;
}

traffic_schedule::traffic_schedule(const traffic_rates& rates, const std::array<bool, eventKinds>& enabled,
                                   validate_random& random)
    : rates_(rates), random_(random) {
    for (std::size_t k = 0; k < eventKinds; ++k) {
        if (!enabled[k]) rates_.perHour[k] = 0;
        next_[k] = never;
    }
    for (event_kind k : scheduledKinds) draw(index_of(k), 0);
}

void traffic_schedule::stretch_factors(std::int64_t atMs) {
    const std::int64_t stretch = atMs / stretchMs;
    if (stretch != factorStretch_) {
        factorStretch_ = stretch;
        for (double& f : factors_) f = 0.25 + 1.5 * static_cast<double>(random_.next() >> 11) / 9007199254740992.0;
    }
}

void traffic_schedule::draw(std::size_t kind, std::int64_t fromMs) {
    if (rates_.perHour[kind] <= 0) {
        next_[kind] = never;
        return;
    }
    stretch_factors(fromMs);
    const double meanMs = 3600000.0 / (static_cast<double>(rates_.perHour[kind]) * factors_[kind]);
    const double u = static_cast<double>(random_.next() >> 11) / 9007199254740992.0; // [0, 1)
    next_[kind] = fromMs + static_cast<std::int64_t>(-std::log1p(-u) * meanMs);
}

std::int64_t traffic_schedule::next_time() const {
    std::int64_t t = releaseHead_ < releases_.size() ? releases_[releaseHead_] : never;
    for (event_kind k : scheduledKinds) t = std::min(t, next_[index_of(k)]);
    return t;
}

event_kind traffic_schedule::next_kind() const {
    const std::int64_t t = next_time();
    if (releaseHead_ < releases_.size() && releases_[releaseHead_] == t) return event_kind::release;
    for (event_kind k : scheduledKinds)
        if (next_[index_of(k)] == t) return k;
    return event_kind::route;
}

void traffic_schedule::take() {
    const event_kind kind = next_kind();
    if (kind == event_kind::release) {
        ++releaseHead_;
        if (releaseHead_ == releases_.size()) releases_.clear(), releaseHead_ = 0;
        return;
    }
    draw(index_of(kind), next_[index_of(kind)]);
}

void traffic_schedule::owe_release(std::int64_t atMs) { releases_.push_back(atMs + releaseAfterMs); }

std::string virtual_time_text(std::int64_t ms) {
    char text[48];
    const std::int64_t s = ms / 1000;
    std::snprintf(text, sizeof text, "day %lld %02lld:%02lld:%02lld.%03lld", static_cast<long long>(s / 86400 + 1),
                  static_cast<long long>(s / 3600 % 24), static_cast<long long>(s / 60 % 60),
                  static_cast<long long>(s % 60), static_cast<long long>(ms % 1000));
    return text;
}

} // namespace quon::host
