// process_probe: what this process holds, as the system counts it: the live
// heap (the panel's blocks and the host's together), open descriptors
// (handles on Windows), threads, resident memory; and the CPU time of the
// calling thread. What the probe needs to count is opened once, so that
// counting works even when a panel has used up its descriptors.
#ifndef HOST_PROCESS_PROCESS_PROBE_H
#define HOST_PROCESS_PROCESS_PROBE_H

#include <cstdint>

namespace quon::host {

struct process_sample {
    std::int64_t heapBytes = -1; // -1: not measured
    std::int64_t descriptors = -1, threads = -1, residentKiB = -1;
};

class process_probe {
public:
    process_probe();
    ~process_probe();
    process_probe(const process_probe&) = delete;
    process_probe& operator=(const process_probe&) = delete;

    // The probe's own descriptors or handles are left out.
    process_sample sample();
    // How the heap is measured, for the report.
    static const char* heap_source();

private:
    struct held; // what each system keeps open between samples
    held* held_;
};

// CPU time of the calling thread, in nanoseconds.
std::int64_t thread_cpu_ns();
// The least step that clock moves by, in nanoseconds (1: it counts finely;
// a clock that counts in scheduler ticks moves a whole tick at a time).
std::int64_t thread_cpu_step_ns();
// How the thread's CPU time is measured, for the report.
const char* thread_cpu_source();

} // namespace quon::host

#endif
