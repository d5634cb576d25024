#include "soak/measured_run.h"

#include "base/exit_status.h"
#include "soak/measures_text.h"
#include "process/process_probe.h"
#include "soak/verdict.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace quon::host {

namespace {

// The windows' lengths against their mean, in turn: a mean of one, so that
// a kind's count per window varies as a soak's varied rates make it.
constexpr double windowFactors[] = {1.0, 0.5, 1.5, 0.25, 1.75, 0.75, 1.25};

void print_slowest(const soak_tally& tally) {
    if (tally.slowest().empty()) return;
    std::printf("the slowest steps:\n");
    for (const slow_event& e : tally.slowest())
        std::printf("  %10.1fµs  %s event, %s\n", static_cast<double>(e.cpuNs) / 1000, event_kind_name(e.kind),
                    e.step.c_str());
}

// Prints the measures and the verdict; true when there is a finding.
bool conclude(const soak_tally& tally, std::int64_t startNs) {
    const std::size_t warmUp = replay_warm_up_windows(tally.windows().size());
    std::printf("measured: %lld steps of a soak's kinds of event in %zu windows of steps (the first %zu the "
                "warm-up)\n",
                static_cast<long long>(tally.events()), tally.windows().size(), warmUp);
    if (startNs >= 0)
        std::printf("the panel's start, in the first step, took %.1fµs (not counted)\n",
                    static_cast<double>(startNs) / 1000);
    print_kind_table(tally);
    print_resources(tally, warmUp);
    print_slowest(tally);
    if (tally.windows().size() < warmUp + minJudgedWindows)
        std::printf("too few steps to judge a growth (%zu windows after the warm-up; %zu needed)\n",
                    tally.windows().size() - std::min(warmUp, tally.windows().size()), minJudgedWindows);
    const std::vector<soak_finding> findings = judge(tally, warmUp);
    for (const soak_finding& f : findings) std::printf("FAIL  %s\n", f.line.c_str());
    if (findings.empty()) std::printf("measured: no finding\n");
    else std::printf("measured: %zu finding%s\n", findings.size(), findings.size() == 1 ? "" : "s");
    return !findings.empty();
}

} // namespace

std::optional<event_kind> event_kind_of(const step_action& action) {
    if (std::holds_alternative<route_step>(action)) return event_kind::route;
    if (std::holds_alternative<gpi_step>(action)) return event_kind::gpi;
    if (std::holds_alternative<info_step>(action)) return event_kind::info;
    if (std::holds_alternative<property_step>(action)) return event_kind::property;
    if (std::holds_alternative<timer_step>(action)) return event_kind::timer;
    if (const auto* b = std::get_if<button_step>(&action)) {
        if (b->event == "press") return event_kind::press;
        if (b->event == "release") return event_kind::release;
    }
    return std::nullopt;
}

std::vector<std::size_t> window_ends(std::size_t steps, std::size_t windows) {
    std::vector<std::size_t> ends;
    const double mean = static_cast<double>(steps) / static_cast<double>(std::max<std::size_t>(windows, 1));
    std::size_t end = 0;
    for (std::size_t i = 0; end < steps; ++i) {
        const double length = mean * windowFactors[i % std::size(windowFactors)];
        end = std::min(steps, end + std::max<std::size_t>(1, static_cast<std::size_t>(length + 0.5)));
        ends.push_back(end);
    }
    return ends;
}

std::size_t replay_warm_up_windows(std::size_t windows) { return std::max<std::size_t>(1, windows / 10); }

int play_measured(scenario_runner& player, const scenario& plan, std::int64_t budgetNs) {
    player.log().set_faults_only(true);
    soak_tally tally(budgetNs);
    process_probe probe;
    const std::vector<std::size_t> ends = window_ends(plan.steps.size());
    tally.reserve_windows(ends.size()); // the tally's growth is not the panel's
    std::size_t window = 0;
    std::int64_t startNs = -1;
    player.begin(plan.explicitStart);
    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
        const scenario_step& step = plan.steps[i];
        const bool starting = player.start_pending();
        const std::int64_t before = thread_cpu_ns();
        player.play(step);
        const std::int64_t cpu = thread_cpu_ns() - before;
        const std::optional<event_kind> kind = event_kind_of(step.action);
        if (starting && !player.start_pending()) {
            startNs = cpu; // the panel started before this step: its cost is not the event's
        } else if (kind && tally.count(*kind, cpu, static_cast<std::int64_t>(player.commands().size()))) {
            const auto number = static_cast<std::int64_t>(i + 1);
            tally.name_slowest(number, 0, *kind, cpu,
                               "step " + std::to_string(number) + " " + step.where + ": " + step.source);
        }
        if (window < ends.size() && i + 1 == ends[window]) {
            tally.close_window(static_cast<std::int64_t>(i + 1), probe.sample());
            ++window;
        }
    }
    player.end_of_steps("after the last step");
    const int status = player.finish();
    std::cout << std::flush; // the run's summary, then the measures
    return conclude(tally, startNs) ? combined_status(status, exitExpectationFailed) : status;
}

} // namespace quon::host
