// The calling thread's CPU time on Windows. GetThreadTimes counts in
// scheduler ticks (15.6 ms on Windows, 10 ms under wine) and under wine each
// call asks the wine server and reads /proc (hundreds of microseconds on a
// busy machine: two calls an event would make a virtual day last hours). A
// thread under wine on Linux is a Linux thread: there the Linux thread CPU
// clock is asked directly, as the native build asks it, in nanoseconds.
#include "process/process_probe.h"

#include <cstring>
#include <windows.h>

namespace quon::host {

namespace {

enum class cpu_clock { linux_thread, thread_times };

// i386 Linux: clock_gettime is system call 265, CLOCK_THREAD_CPUTIME_ID 3;
// a negative result is the error. Its time_t is 32 bits: enough for a
// thread's CPU time (68 years).
std::int64_t linux_thread_cpu_ns() {
#if defined(__i386__)
    struct {
        long seconds, nanoseconds;
    } t{};
    long result;
    asm volatile("int $0x80" : "=a"(result) : "0"(265L), "b"(3L), "c"(&t) : "memory");
    return result == 0 ? static_cast<std::int64_t>(t.seconds) * 1000000000 + t.nanoseconds : -1;
#else
    return -1;
#endif
}

// Under wine, ntdll says what system runs it.
bool under_wine_on_linux() {
    using host_version = void(__cdecl*)(const char** system, const char** release);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto ask = ntdll ? reinterpret_cast<host_version>(
                                 reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "wine_get_host_version")))
                           : nullptr;
    if (!ask) return false;
    const char* system = nullptr;
    const char* release = nullptr;
    ask(&system, &release);
    return system && std::strcmp(system, "Linux") == 0;
}

cpu_clock chosen_clock() {
    static const cpu_clock clock =
        under_wine_on_linux() && linux_thread_cpu_ns() >= 0 ? cpu_clock::linux_thread : cpu_clock::thread_times;
    return clock;
}

std::int64_t hundreds_of_ns(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

} // namespace

std::int64_t thread_cpu_ns() {
    if (chosen_clock() == cpu_clock::linux_thread) return linux_thread_cpu_ns();
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    return (hundreds_of_ns(kernel) + hundreds_of_ns(user)) * 100;
}

std::int64_t thread_cpu_step_ns() {
    if (chosen_clock() == cpu_clock::linux_thread) return 1;
    DWORD adjustment = 0, increment = 0;
    BOOL disabled = FALSE;
    // The clock interrupt's period, in 100 ns units: the step of GetThreadTimes.
    if (!GetSystemTimeAdjustment(&adjustment, &increment, &disabled) || increment == 0) return 15625000;
    return static_cast<std::int64_t>(increment) * 100;
}

const char* thread_cpu_source() {
    return chosen_clock() == cpu_clock::linux_thread
               ? "the Linux thread CPU clock (CLOCK_THREAD_CPUTIME_ID), asked directly under wine"
               : "GetThreadTimes (kernel + user), which moves by scheduler ticks";
}

} // namespace quon::host
