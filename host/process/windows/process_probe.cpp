// process_probe on Windows: the busy blocks of every heap of the process
// (HeapWalk: the C runtime's malloc, the panel's too, allocates there); the
// process's handles; its threads (a Toolhelp snapshot); its working set; and
// the thread's CPU time.
#include "process/process_probe.h"

#include <cstring>
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

namespace quon::host {

namespace {

constexpr DWORD heapsKept = 1024;
constexpr SIZE_T handleTableLimit = 64 << 20;

// The system's handle table, one entry per handle of every process, as
// NtQuerySystemInformation gives it (class 16).
struct handle_entry {
    ULONG process;
    UCHAR type, flags;
    USHORT handle;
    void* object;
    ACCESS_MASK access;
};
struct handle_table {
    ULONG count;
    handle_entry entries[1];
};
using query_system = LONG(WINAPI*)(ULONG kind, void* into, ULONG bytes, ULONG* needed);
constexpr ULONG systemHandleInformation = 16;
constexpr LONG lengthMismatch = static_cast<LONG>(0xC0000004);

query_system system_query() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return nullptr;
    return reinterpret_cast<query_system>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
}

} // namespace

// Kept out of the heaps it measures: allocated once, with the probe.
struct process_probe::held {
    HANDLE heaps[heapsKept];
    void* table = nullptr; // VirtualAlloc'd, grown to the system's handle table
    SIZE_T tableBytes = 0;
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

// This process's entries in the system's handle table, for a system whose
// GetProcessHandleCount counts none (wine's).
std::int64_t handles_in_table(void*& table, SIZE_T& bytes) {
    static const query_system query = system_query();
    if (!query) return -1;
    for (;;) {
        if (!table) {
            bytes = bytes ? bytes : 1 << 16;
            table = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
            if (!table) return -1;
        }
        ULONG needed = 0;
        const LONG status = query(systemHandleInformation, table, static_cast<ULONG>(bytes), &needed);
        if (status == 0) break;
        VirtualFree(table, 0, MEM_RELEASE);
        table = nullptr;
        if (status != lengthMismatch || bytes >= handleTableLimit) return -1;
        bytes *= 2;
    }
    const auto* t = static_cast<const handle_table*>(table);
    const ULONG self = GetCurrentProcessId();
    std::int64_t mine = 0;
    for (ULONG i = 0; i < t->count; ++i)
        if (t->entries[i].process == self) ++mine;
    return mine;
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

process_probe::~process_probe() {
    if (held_->table) VirtualFree(held_->table, 0, MEM_RELEASE);
    delete held_;
}

const char* process_probe::heap_source() {
    return "HeapWalk over every heap of the soak's worker process (GetProcessHeaps): the bytes of its busy blocks, "
           "the panel's (its C runtime's malloc) and the host's bounded structures together";
}

process_sample process_probe::sample() {
    process_sample s;
    // Handles first: the snapshot below is one while it is open.
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) s.descriptors = handles;
    else s.descriptors = handles_in_table(held_->table, held_->tableBytes);
    s.heapBytes = heap_in_use(held_->heaps);
    s.threads = threads_of_this_process();
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        s.residentKiB = static_cast<std::int64_t>(memory.WorkingSetSize / 1024);
    return s;
}

} // namespace quon::host
