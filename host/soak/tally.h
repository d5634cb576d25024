// tally: what a soak measured. Per kind of event: the count, the commands it
// caused, its CPU time in a histogram of quarter-octave buckets (percentiles
// from it are within a fifth of the true figure); the slowest events with
// their step; and, at the end of each ten-minute stretch of virtual time, a
// window: the process's sample and each kind's count and CPU so far.
#ifndef HOST_SOAK_TALLY_H
#define HOST_SOAK_TALLY_H

#include "process/process_probe.h"
#include "soak/traffic.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

// CPU time buckets: bucket b holds times from 2^(b/4) ns up to the next.
constexpr std::size_t cpuBuckets = 4 * 40;
std::size_t cpu_bucket(std::int64_t ns);
// The lower bound of a bucket, in nanoseconds.
double cpu_bucket_floor(std::size_t bucket);

struct kind_tally {
    std::int64_t events = 0, commands = 0, cpuNs = 0, maxNs = 0;
    std::int64_t overBudget = 0; // events that took more CPU than the budget
    std::array<std::int64_t, cpuBuckets> histogram{};
    // The CPU time below which `fraction` of the events fall (bucket floor).
    double percentile_ns(double fraction) const;
};

struct slow_event {
    std::int64_t cpuNs = 0, number = 0, atMs = 0;
    event_kind kind = event_kind::route;
    std::string step; // the scenario step that gives it, or what it was
};

struct soak_window {
    std::int64_t endMs = 0;
    process_sample process;
    std::array<std::int64_t, eventKinds> events{}, cpuNs{}; // so far
    std::int64_t commands = 0;                              // so far
};

class soak_tally {
public:
    static constexpr std::size_t slowestKept = 10;
    explicit soak_tally(std::int64_t budgetNs) : budgetNs_(budgetNs) {}

    // Counts one event; true when it is among the slowest so far (the
    // caller then names it with slowest_named).
    bool count(event_kind kind, std::int64_t cpuNs, std::int64_t commands);
    void name_slowest(std::int64_t number, std::int64_t atMs, event_kind kind, std::int64_t cpuNs, std::string step);
    // Room for every window before the soak: the tally's own growth is not the panel's.
    void reserve_windows(std::size_t n) { windows_.reserve(n); }
    void close_window(std::int64_t endMs, const process_sample& sample);

    const std::array<kind_tally, eventKinds>& kinds() const { return kinds_; }
    const std::vector<slow_event>& slowest() const { return slowest_; }
    const std::vector<soak_window>& windows() const { return windows_; }
    std::int64_t budget_ns() const { return budgetNs_; }
    std::int64_t events() const { return total_; }
    std::int64_t commands() const { return commands_; }

private:
    std::array<kind_tally, eventKinds> kinds_{};
    std::vector<slow_event> slowest_; // slowest first
    std::vector<soak_window> windows_;
    std::int64_t budgetNs_, total_ = 0, commands_ = 0;
};

} // namespace quon::host

#endif
