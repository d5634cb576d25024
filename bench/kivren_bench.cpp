// The kivren benchmarks: every event kind played on kivren through its one
// entry point and on the hand-written baseline, with heap allocations counted
// per event. Before measuring, it checks that both send the same texts and
// give the same answers, and stops if they do not. After the runs it prints
// the table of ratios framework / baseline.
#include "alloc_count.h"
#include "bench_cases.h"
#include "counting_host.h"
#include "quon_debug.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

std::string* debugTranscript = nullptr;

void debugSink(void*, const char* text) {
    if (debugTranscript) debugTranscript->append("debug ").append(text).append("\n");
}

// Everything a panel says for its start-up, one case, and its shut-down.
std::string transcript(bench_path path, const bench_case* c) {
    std::string out;
    counting_host host;
    host.transcript = &out;
    debugTranscript = &out;
    quon_client_callback* panel = bench_make_panel(path, &host);
    if (c) {
        out += std::string("event ") + c->name + "\n";
        char* answer = panel->callback(c->arg, c->kind);
        out += std::string("answer ") + (answer ? answer : "<null>") + "\n";
        if (answer) panel->callback(answer, quon_kind_release);
    }
    bench_destroy_panel(panel);
    debugTranscript = nullptr;
    // Both paths must keep the reply rule, not merely agree with each other.
    if (host.handBacks != host.owedHandBacks) {
        std::fprintf(stderr, "HAND-BACKS for %s: %zu, owed %zu\n", c ? c->name : "panel life", host.handBacks,
                     host.owedHandBacks);
        out += "RULE BROKEN\n";
    }
    return out;
}

bool sameTexts() {
    bool same = true;
    for (std::size_t i = 0; i <= bench_case_count(); ++i) {
        const bench_case* c = i < bench_case_count() ? &bench_cases()[i] : nullptr;
        const std::string framework = transcript(bench_path::framework, c);
        const std::string baseline = transcript(bench_path::baseline, c);
        if (framework.find("RULE BROKEN") != std::string::npos || baseline.find("RULE BROKEN") != std::string::npos)
            same = false;
        if (framework != baseline) {
            std::fprintf(stderr, "MISMATCH for %s\n-- framework:\n%s-- baseline:\n%s", c ? c->name : "panel life",
                         framework.c_str(), baseline.c_str());
            same = false;
        }
    }
    return same;
}

void setAllocCounter(benchmark::State& state, std::uint64_t before) {
    const double perEvent = static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations());
    state.counters["allocs"] = perEvent;
}

void playCase(benchmark::State& state, bench_path path, const bench_case* c) {
    counting_host host;
    quon_client_callback* panel = bench_make_panel(path, &host);
    host.commands = 0; // start-up is not the event's
    const std::uint64_t before = alloc_count();
    for (auto _ : state) benchmark::DoNotOptimize(bench_play(panel, *c));
    setAllocCounter(state, before);
    state.counters["commands"] = static_cast<double>(host.commands) / static_cast<double>(state.iterations());
    bench_destroy_panel(panel);
}

void panelLife(benchmark::State& state, bench_path path) {
    counting_host host;
    const std::uint64_t before = alloc_count();
    for (auto _ : state) bench_destroy_panel(bench_make_panel(path, &host));
    setAllocCounter(state, before);
    state.counters["commands"] = static_cast<double>(host.commands) / static_cast<double>(state.iterations());
}

// Keeps the console output and remembers each benchmark's time and counters
// for the final table. With repetitions the median stands for the runs.
class table_reporter : public benchmark::ConsoleReporter {
public:
    struct figures {
        double ns = 0;
        double allocs = 0;
    };
    std::map<std::string, figures> byName;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            figures f;
            f.ns = run.GetAdjustedCPUTime();
            auto allocs = run.counters.find("allocs");
            if (allocs != run.counters.end()) f.allocs = allocs->second.value;
            byName[run.run_name.str()] = f;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printTable() const {
        std::printf("\n%-14s %12s %12s %7s %10s %10s\n", "event", "framework", "baseline", "ratio", "allocs fw",
                    "allocs base");
        for (std::size_t i = 0; i <= bench_case_count(); ++i) {
            const std::string name = i < bench_case_count() ? bench_cases()[i].name : "panel_life";
            auto fw = byName.find(name + "/framework");
            auto base = byName.find(name + "/baseline");
            if (fw == byName.end() || base == byName.end()) continue;
            std::printf("%-14s %9.1f ns %9.1f ns %6.2fx %10.2f %10.2f\n", name.c_str(), fw->second.ns, base->second.ns,
                        fw->second.ns / base->second.ns, fw->second.allocs, base->second.allocs);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    quon_set_debug_sink(debugSink, nullptr);
    if (!sameTexts()) {
        std::fprintf(stderr, "kivren_bench: the baseline does not send what kivren sends; not measuring\n");
        std::abort();
    }
    std::printf("kivren_bench: framework and baseline send identical texts for every case\n");

    const bench_path paths[] = {bench_path::framework, bench_path::baseline};
    for (std::size_t i = 0; i < bench_case_count(); ++i)
        for (bench_path path : paths) {
            const bench_case* c = &bench_cases()[i];
            benchmark::RegisterBenchmark((std::string(c->name) + "/" + bench_path_name(path)).c_str(),
                                         [path, c](benchmark::State& state) { playCase(state, path, c); });
        }
    for (bench_path path : paths)
        benchmark::RegisterBenchmark((std::string("panel_life/") + bench_path_name(path)).c_str(),
                                     [path](benchmark::State& state) { panelLife(state, path); });

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    table_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printTable();
    benchmark::Shutdown();
    return 0;
}
