#include "soak/measures_text.h"

#include "soak/verdict.h"

#include <algorithm>
#include <cstdio>

namespace quon::host {

void print_kind_table(const soak_tally& tally) {
    std::printf("%-9s %11s %9s %9s %9s %9s %10s\n", "kind", "events", "commands", "cpu p50", "p90", "p99", "max");
    for (std::size_t k = 0; k < eventKinds; ++k) {
        const kind_tally& t = tally.kinds()[k];
        if (t.events == 0) continue;
        std::printf("%-9s %11lld %9.2f %7.1fµs %7.1fµs %7.1fµs %8.1fµs\n", event_kind_name(static_cast<event_kind>(k)),
                    static_cast<long long>(t.events), static_cast<double>(t.commands) / static_cast<double>(t.events),
                    t.percentile_ns(0.5) / 1000, t.percentile_ns(0.9) / 1000, t.percentile_ns(0.99) / 1000,
                    static_cast<double>(t.maxNs) / 1000);
    }
}

void print_resources(const soak_tally& tally, std::size_t warmUp) {
    const std::vector<soak_window>& w = tally.windows();
    if (w.empty()) return;
    const std::size_t from = std::min(warmUp, w.size() - 1);
    for (soak_resource r : soakResources) {
        std::printf("%-16s %lld after the warm-up, %lld at the end (floor for a growth: %lld)", resource_name(r),
                    static_cast<long long>(sample_of(w[from].process, r)),
                    static_cast<long long>(sample_of(w.back().process, r)), static_cast<long long>(growth_floor(r)));
        soak_finding slope;
        blame(w, from, r, slope);
        if (slope.kindKnown)
            std::printf(": %.2f per %s event (r = %.2f)", slope.perEvent, event_kind_name(slope.kind), slope.fit);
        std::printf("\n");
    }
}

} // namespace quon::host
