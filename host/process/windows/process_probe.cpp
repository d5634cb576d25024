// process_probe on Windows: the busy blocks of every heap of the process
// (HeapWalk: the C runtime's malloc, the panel's too, allocates there); the
// process's handles; its threads (a Toolhelp snapshot); its working set; and
// the thread's CPU time.
#include "process/process_probe.h"

#include <cstdint>
#include <cstring>
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

namespace quon::host {

namespace {

constexpr DWORD heapsKept = 1024;

} // namespace

// Kept out of the heaps it measures: allocated once, with the probe.
struct process_probe::held {
    HANDLE heaps[heapsKept];
    std::uintptr_t highestHandle = 0; // the highest handle value seen live
};

namespace {

// Bytes in the busy blocks of every heap of the process, the large blocks
// it maps apart from its segments included.
std::int64_t heap_in_use(HANDLE* heaps) {
    const DWORD count = GetProcessHeaps(heapsKept, heaps);
    if (count == 0) return -1;
    std::int64_t busy = 0;
    for (DWORD i = 0; i < count && i < heapsKept; ++i) {
        // A heap made without serialization refuses the lock: it is used by
        // one thread, the one the panel runs on, which is this one.
        const BOOL locked = HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += static_cast<std::int64_t>(entry.cbData);
        if (locked) HeapUnlock(heaps[i]);
    }
    return busy;
}

// This process's handles, for a system whose GetProcessHandleCount counts
// none (wine's), each handle value asked in turn. The system's whole handle
// table is not asked instead: wine 8's server crashes when it is listed while
// a program is starting in the same prefix, and every program of the prefix
// then waits for ever. Handle values run from 4 in steps of 4, a new handle
// taking the lowest free one, so a leak's handles are dense from below: the
// count ends after a run of free values past the highest handle seen so far.
// Each value asked is a wine server request (tens of microseconds), so the
// run is short.
std::int64_t handles_asked_one_by_one(std::uintptr_t& highestSeen) {
    constexpr std::uintptr_t step = 4, freeRun = 64 * step, highestValue = std::uintptr_t{1} << 26;
    std::int64_t live = 0;
    std::uintptr_t lastLive = 0;
    for (std::uintptr_t value = step; value <= highestValue; value += step) {
        if (value > highestSeen && value - lastLive > freeRun) break;
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++live;
            lastLive = value;
        }
    }
    if (lastLive > highestSeen) highestSeen = lastLive;
    return live;
}

std::int64_t threads_of_this_process() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    const DWORD self = GetCurrentProcessId();
    std::int64_t n = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) ++n;
    CloseHandle(snapshot);
    return n;
}

} // namespace

process_probe::process_probe() : held_(new held) {}

process_probe::~process_probe() { delete held_; }

const char* process_probe::heap_source() {
    return "HeapWalk over every heap of the soak's worker process (GetProcessHeaps): the bytes of its busy blocks, "
           "the panel's (its C runtime's malloc) and the host's bounded structures together";
}

process_sample process_probe::sample() {
    process_sample s;
    // Handles first: the snapshot below is one while it is open.
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) s.descriptors = handles;
    else s.descriptors = handles_asked_one_by_one(held_->highestHandle);
    s.heapBytes = heap_in_use(held_->heaps);
    s.threads = threads_of_this_process();
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        s.residentKiB = static_cast<std::int64_t>(memory.WorkingSetSize / 1024);
    return s;
}

} // namespace quon::host
