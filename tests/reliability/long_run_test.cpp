// No leak, no growth. One panel, created through the factory, takes a long
// mixed stream (a million events by default; QUON_LONG_RUN_EVENTS sets
// another number), with every property answer handed back at once. The heap
// in use after the first quarter of the run must equal the heap in use at the
// end, and resident memory must stay put: anything the panel kept per event
// would show as growth. Leaks at exit are LeakSanitizer's (asan preset) or
// valgrind's (reliability_long_run_valgrind) to report.
#include "event_stream.h"
#include "heap_usage.h"
#include "panel_factory.h"
#include "quon_debug.h"
#include "stream_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>

namespace {

long runLength() {
    const char* v = std::getenv("QUON_LONG_RUN_EVENTS");
    return v ? std::atol(v) : 1000000;
}

void silent(void*, const char*) {}

TEST(LongRun, MemoryDoesNotGrowWithTheNumberOfEvents) {
    const long events = runLength();
    ASSERT_GE(events, 1000);
    quon_set_debug_sink(&silent, nullptr);

    stream_host host(false); // a digest, not a record: constant memory
    event_stream stream(42);
    quon_client_callback* script = load_quon_client_script(&host, "kivren");
    ASSERT_NE(script, nullptr);

    // Warm up, so that every allocation a steady run makes once (the
    // allocator's own arenas, lazily built statics) is made.
    const long quarter = events / 4;
    for (long e = 0; e < quarter; ++e) stream.deliver(script, host);
    event_stream::settle(script);
    const std::size_t heapEarly = heap_bytes_in_use();
    const std::size_t residentEarly = resident_bytes();

    for (long e = quarter; e < events; ++e) stream.deliver(script, host);
    event_stream::settle(script);
    const std::size_t heapLate = heap_bytes_in_use();
    const std::size_t residentLate = resident_bytes();

    script->deletingDestructor(1);
    quon_set_debug_sink(nullptr, nullptr);

    std::printf("events %ld, commands %llu; heap in use %zu -> %zu bytes; resident %zu -> %zu KiB\n", events,
                host.commands(), heapEarly, heapLate, residentEarly / 1024, residentLate / 1024);
    EXPECT_TRUE(host.faults().empty()) << host.faults().front();
    EXPECT_FALSE(host.replyOutstanding());
    EXPECT_GT(host.commands(), static_cast<unsigned long long>(events) / 5); // the stream does reach the host
    if (!memory_measurable()) GTEST_SKIP() << "memory figures are not measurable here";
    // The same objects are alive at both points: the heap in use is the same,
    // give or take what the allocator keeps for itself.
    const std::size_t slack = heap_under_sanitizer() ? 0 : 64 * 1024;
    EXPECT_LE(heapLate, heapEarly + slack);
    // The address sanitizer holds freed blocks in quarantine (bounded, not
    // per event), so resident memory is only judged without it.
    if (!heap_under_sanitizer() && residentEarly != 0) {
        EXPECT_LE(residentLate, residentEarly + 1024 * 1024);
    }
}

} // namespace
