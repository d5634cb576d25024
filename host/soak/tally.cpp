#include "soak/tally.h"

#include <algorithm>
#include <cmath>

namespace quon::host {

std::size_t cpu_bucket(std::int64_t ns) {
    if (ns <= 1) return 0;
    const auto b = static_cast<std::size_t>(4.0 * std::log2(static_cast<double>(ns)));
    return std::min(b, cpuBuckets - 1);
}

double cpu_bucket_floor(std::size_t bucket) { return std::exp2(static_cast<double>(bucket) / 4.0); }

double kind_tally::percentile_ns(double fraction) const {
    const auto wanted = static_cast<std::int64_t>(std::ceil(fraction * static_cast<double>(events)));
    std::int64_t seen = 0;
    for (std::size_t b = 0; b < cpuBuckets; ++b)
        if ((seen += histogram[b]) >= std::max<std::int64_t>(wanted, 1)) return cpu_bucket_floor(b);
    return 0;
}

bool soak_tally::count(event_kind kind, std::int64_t cpuNs, std::int64_t commands) {
    kind_tally& k = kinds_[index_of(kind)];
    ++k.events;
    ++total_;
    k.commands += commands;
    commands_ += commands;
    k.cpuNs += cpuNs;
    k.maxNs = std::max(k.maxNs, cpuNs);
    if (cpuNs > budgetNs_) ++k.overBudget;
    ++k.histogram[cpu_bucket(cpuNs)];
    return slowest_.size() < slowestKept || cpuNs > slowest_.back().cpuNs;
}

void soak_tally::name_slowest(std::int64_t number, std::int64_t atMs, event_kind kind, std::int64_t cpuNs,
                              std::string step) {
    slow_event e{cpuNs, number, atMs, kind, std::move(step)};
    const auto at = std::upper_bound(slowest_.begin(), slowest_.end(), e,
                                     [](const slow_event& a, const slow_event& b) { return a.cpuNs > b.cpuNs; });
    slowest_.insert(at, std::move(e));
    if (slowest_.size() > slowestKept) slowest_.pop_back();
}

void soak_tally::close_window(std::int64_t endMs, const process_sample& sample) {
    soak_window w;
    w.endMs = endMs;
    w.process = sample;
    for (std::size_t k = 0; k < eventKinds; ++k) {
        w.events[k] = kinds_[k].events;
        w.cpuNs[k] = kinds_[k].cpuNs;
    }
    w.commands = commands_;
    windows_.push_back(w);
}

} // namespace quon::host
