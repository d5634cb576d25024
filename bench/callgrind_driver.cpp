// kivren_callgrind: plays the benchmark cases and a fixed mixed stream of
// events on kivren and on the baseline, for valgrind --tool=callgrind. Each
// phase is warmed up, then the counts are zeroed, the phase played and the
// counts dumped under the name "<phase>/<path> <events>"; bench/callgrind.sh
// turns the dumps into instructions per event. Outside valgrind it just runs.
#include "bench_cases.h"
#include "counting_host.h"
#include "quon_debug.h"

#include <cstdio>
#include <cstring>
#include <string>

#if defined(__has_include)
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#endif
#endif
#ifndef CALLGRIND_DUMP_STATS_AT
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(name) ((void)(name))
#endif

namespace {

const int eventsPerCase = 1000;
const int lives = 100;
const int mixedRounds = 64;

void quiet(void*, const char*) {}

int caseIndex(const char* name) {
    for (std::size_t i = 0; i < bench_case_count(); ++i)
        if (std::strcmp(bench_cases()[i].name, name) == 0) return static_cast<int>(i);
    return -1;
}

void dump(const std::string& phase, bench_path path, int events) {
    const std::string name = phase + "/" + bench_path_name(path) + " " + std::to_string(events);
    CALLGRIND_DUMP_STATS_AT(name.c_str());
}

void playCase(bench_path path, const bench_case& c) {
    counting_host host;
    quon_client_callback* panel = bench_make_panel(path, &host);
    for (int i = 0; i < 10; ++i) bench_play(panel, c);
    CALLGRIND_ZERO_STATS;
    for (int i = 0; i < eventsPerCase; ++i) bench_play(panel, c);
    dump(c.name, path, eventsPerCase);
    bench_destroy_panel(panel);
}

void playLives(bench_path path) {
    counting_host host;
    bench_destroy_panel(bench_make_panel(path, &host));
    CALLGRIND_ZERO_STATS;
    for (int i = 0; i < lives; ++i) bench_destroy_panel(bench_make_panel(path, &host));
    dump("panel_life", path, lives);
}

// Mostly reports, as a running page sees them, with a timer tick and the
// odd property message among them.
void playMixed(bench_path path) {
    static const char* const stream[] = {
        "router",  "router", "gpi_on",    "gpi_off",      "umd_short", "tally",     "router", "gpi_on",
        "umd_200", "timer",  "query_all", "property_set", "tally",     "umd_short", "router", "query_myParam",
    };
    const int count = static_cast<int>(sizeof stream / sizeof stream[0]);
    int order[count];
    for (int i = 0; i < count; ++i) order[i] = caseIndex(stream[i]);
    counting_host host;
    quon_client_callback* panel = bench_make_panel(path, &host);
    for (int i = 0; i < count; ++i) bench_play(panel, bench_cases()[order[i]]);
    CALLGRIND_ZERO_STATS;
    for (int round = 0; round < mixedRounds; ++round)
        for (int i = 0; i < count; ++i) bench_play(panel, bench_cases()[order[i]]);
    dump("mixed", path, mixedRounds * count);
    bench_destroy_panel(panel);
}

} // namespace

int main() {
    quon_set_debug_sink(quiet, nullptr);
    const bench_path paths[] = {bench_path::framework, bench_path::baseline};
    for (std::size_t i = 0; i < bench_case_count(); ++i)
        for (bench_path path : paths) playCase(path, bench_cases()[i]);
    for (bench_path path : paths) playLives(path);
    for (bench_path path : paths) playMixed(path);
    std::printf("kivren_callgrind: played %zu cases, panel lives and the mixed stream on both paths\n",
                bench_case_count());
    return 0;
}
