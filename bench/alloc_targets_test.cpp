// Heap allocations of kivren's events, counted by the benchmark's allocation
// functions: no report or timer tick with command texts of at most 256 bytes
// allocates, a property query allocates only the answer it hands the host,
// and a panel's whole life stays under 200 allocations.
#include "alloc_count.h"
#include "bench_cases.h"
#include "counting_host.h"
#include "quon_debug.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

void quiet(void*, const char*) {}

// Allocations per event over a few plays, after one to warm up.
double allocationsPerEvent(const bench_case& c) {
    counting_host host;
    quon_client_callback* panel = bench_make_panel(bench_path::framework, &host);
    bench_play(panel, c);
    const int plays = 50;
    const std::uint64_t before = alloc_count();
    for (int i = 0; i < plays; ++i) bench_play(panel, c);
    const std::uint64_t used = alloc_count() - before;
    bench_destroy_panel(panel);
    return static_cast<double>(used) / plays;
}

TEST(AllocationTargets, EachEventAllocatesOnlyWhatItHandsTheHost) {
    quon_set_debug_sink(quiet, nullptr);
    for (std::size_t i = 0; i < bench_case_count(); ++i) {
        const bench_case& c = bench_cases()[i];
        SCOPED_TRACE(c.name);
        // A query's answer block is the host's until it hands it back.
        const bool answers = std::strncmp(c.name, "query", 5) == 0;
        EXPECT_EQ(allocationsPerEvent(c), answers ? 1.0 : 0.0);
    }
    quon_set_debug_sink(nullptr, nullptr);
}

TEST(AllocationTargets, APanelLivesOnFewerThan200Allocations) {
    quon_set_debug_sink(quiet, nullptr);
    counting_host host;
    const std::uint64_t before = alloc_count();
    bench_destroy_panel(bench_make_panel(bench_path::framework, &host));
    EXPECT_LT(alloc_count() - before, 200u);
    EXPECT_EQ(host.commands, 23u + 4u);
    quon_set_debug_sink(nullptr, nullptr);
}

} // namespace
