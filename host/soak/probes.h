// probes: what the soak counts in its own process, where the panel runs:
// the live heap (glibc's mallinfo2: bytes in use, the host's bounded
// structures and the panel's blocks together), open descriptors, threads,
// resident memory, and the CPU time of the calling thread. The folders of
// /proc are opened once, so that counting works even when a panel has used
// up its descriptors.
#ifndef HOST_SOAK_PROBES_H
#define HOST_SOAK_PROBES_H

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

    process_sample sample();
    // How the heap is measured, for the report.
    static const char* heap_source();

private:
    void* descriptors_ = nullptr; // DIR*
    void* threads_ = nullptr;
    int statm_ = -1;
};

// CPU time of the calling thread, in nanoseconds.
std::int64_t thread_cpu_ns();

} // namespace quon::host

#endif
