#include "soak/verdict.h"

#include "process/process_probe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quon::host {

namespace {

struct line_fit {
    double slope = 0, r = 0;
};

// Least squares of y on x, and the correlation; zero when one of them alone is constant.
line_fit fit(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    if (x.size() < 2) return {};
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < x.size(); ++i) mx += x[i], my += y[i];
    mx /= n, my /= n;
    double sxx = 0, syy = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    // Both constant (a timer's ticks, one leak each): y is x times a constant.
    if (sxx <= 0 && syy <= 0 && mx > 0) return {my / mx, 1};
    if (sxx <= 0 || syy <= 0) return {};
    return {sxy / sxx, sxy / std::sqrt(sxx * syy)};
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

void judge_growth(const std::vector<soak_window>& w, std::size_t from, std::vector<soak_finding>& out) {
    const std::size_t last = w.size() - 1, mid = (from + last) / 2;
    for (soak_resource r : soakResources) {
        const std::int64_t start = sample_of(w[from].process, r), end = sample_of(w[last].process, r);
        if (start < 0 || end < 0) continue;
        const std::int64_t grew = end - start, late = end - sample_of(w[mid].process, r);
        // Still growing in the second half: a cache that fills up and stops is no leak.
        if (grew < growth_floor(r) || late * 4 < grew) continue;
        soak_finding f;
        f.resource = r;
        f.grew = grew;
        f.fromWindow = from;
        f.toWindow = last;
        blame(w, from, r, f);
        f.line = std::string(resource_name(r)) + " grows by " + std::to_string(grew) + " after the warm-up, still " +
                 "growing in the second half";
        f.line += f.kindKnown ? format(": %.2f per ", f.perEvent) + event_kind_name(f.kind) + " event" +
                                    format(" (r = %.2f)", f.fit) + ", kind " + event_kind_name(f.kind)
                              : ": no one kind of event explains it";
        out.push_back(f);
    }
}

// A kind whose CPU per event, window by window, rises with its own count.
void judge_cpu(const std::vector<soak_window>& w, std::size_t from, std::vector<soak_finding>& out) {
    for (std::size_t k = 0; k < eventKinds; ++k) {
        std::vector<double> counts, means;
        for (std::size_t i = from + 1; i < w.size(); ++i) {
            const std::int64_t n = w[i].events[k] - w[i - 1].events[k];
            if (n <= 0) continue;
            counts.push_back(static_cast<double>(w[i].events[k]));
            means.push_back(static_cast<double>(w[i].cpuNs[k] - w[i - 1].cpuNs[k]) / static_cast<double>(n));
        }
        if (means.size() < minJudgedWindows) continue;
        const std::size_t quarter = means.size() / 4;
        const double early = median({means.begin(), means.begin() + static_cast<std::ptrdiff_t>(quarter)});
        const double late = median({means.end() - static_cast<std::ptrdiff_t>(quarter), means.end()});
        const line_fit g = fit(counts, means);
        if (g.r < 0.8 || late < 2 * early || late - early < 2000) continue;
        soak_finding f;
        f.type = finding_type::cpu_growth;
        f.kindKnown = true;
        f.kind = static_cast<event_kind>(k);
        f.perEvent = g.slope;
        f.fit = g.r;
        f.grew = static_cast<std::int64_t>(late - early);
        f.fromWindow = from;
        f.toWindow = w.size() - 1;
        f.line = std::string("CPU per ") + event_kind_name(f.kind) + " event grows with their number" +
                 format(": %.1f µs early, %.1f µs late, r = %.2f", early / 1000, late / 1000, g.r) + ", kind " +
                 event_kind_name(f.kind);
        out.push_back(f);
    }
}

// A busy machine can charge a thread for time it took from it: one event a
// little over the budget is not the panel's for sure; a few, or one ten
// times over, are.
constexpr std::int64_t overBudgetEvents = 3, farOverBudget = 10;

void judge_budget(const soak_tally& t, std::vector<soak_finding>& out) {
    for (std::size_t k = 0; k < eventKinds; ++k) {
        const kind_tally& kt = t.kinds()[k];
        if (kt.overBudget == 0) continue;
        if (kt.overBudget < overBudgetEvents && kt.maxNs <= farOverBudget * t.budget_ns()) continue;
        soak_finding f;
        f.type = finding_type::over_budget;
        f.kindKnown = true;
        f.kind = static_cast<event_kind>(k);
        f.grew = kt.maxNs;
        f.line = std::to_string(kt.overBudget) + " " + event_kind_name(f.kind) + " events took more CPU than the " +
                 format("budget of %.1f ms, the slowest %.1f ms", static_cast<double>(t.budget_ns()) / 1e6,
                        static_cast<double>(kt.maxNs) / 1e6) +
                 ", kind " + event_kind_name(f.kind);
        out.push_back(f);
    }
}

} // namespace

const char* resource_name(soak_resource r) {
    switch (r) {
    case soak_resource::heap:
        return "heap bytes";
    case soak_resource::descriptors:
        return "open descriptors";
    case soak_resource::threads:
        return "threads";
    }
    return "?";
}

std::int64_t growth_floor(soak_resource r) {
    switch (r) {
    case soak_resource::heap:
        return 256 * 1024;
    case soak_resource::descriptors:
        return 16;
    case soak_resource::threads:
        return 8;
    }
    return 0;
}

std::int64_t sample_of(const process_sample& s, soak_resource r) {
    switch (r) {
    case soak_resource::heap:
        return s.heapBytes;
    case soak_resource::descriptors:
        return s.descriptors;
    case soak_resource::threads:
        return s.threads;
    }
    return -1;
}

std::size_t warm_up_windows(std::size_t windows) {
    const std::size_t hour = 3600000 / stretchMs;
    return std::max(hour, windows / 10);
}

// Which kind's counts, window by window, move with the resource's steps.
void blame(const std::vector<soak_window>& w, std::size_t from, soak_resource r, soak_finding& f) {
    std::vector<double> steps;
    for (std::size_t i = from + 1; i < w.size(); ++i)
        steps.push_back(static_cast<double>(sample_of(w[i].process, r) - sample_of(w[i - 1].process, r)));
    for (std::size_t k = 0; k < eventKinds; ++k) {
        std::vector<double> counts;
        for (std::size_t i = from + 1; i < w.size(); ++i)
            counts.push_back(static_cast<double>(w[i].events[k] - w[i - 1].events[k]));
        const line_fit g = fit(counts, steps);
        if (g.r > 0.5 && g.r > f.fit) {
            f.kindKnown = true;
            f.kind = static_cast<event_kind>(k);
            f.fit = g.r;
            f.perEvent = g.slope;
        }
    }
}

std::vector<soak_finding> judge(const soak_tally& tally) {
    return judge(tally, warm_up_windows(tally.windows().size()));
}

std::vector<soak_finding> judge(const soak_tally& tally, std::size_t warmUpWindows) {
    std::vector<soak_finding> out;
    const std::vector<soak_window>& w = tally.windows();
    const std::size_t from = warmUpWindows;
    if (w.size() >= from + minJudgedWindows) {
        judge_growth(w, from, out);
        judge_cpu(w, from, out);
    }
    judge_budget(tally, out);
    return out;
}

std::int64_t cpu_budget_ns(std::int64_t budgetMs) { return std::max(budgetMs * 1000000, thread_cpu_step_ns()); }

} // namespace quon::host
