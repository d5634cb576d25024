#include "session/guarded_process.h"

#include "base/exit_status.h"
#include "process/worker_process.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

namespace quon::host {

namespace {

// What was written so far is out before the process forks or ends.
void flush_all() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
}

int in_worker(step_guard_record* shared, const std::function<int()>& work) {
    step_guard_share(shared);
    int status = exitEmulatorFault;
    try {
        status = work();
    } catch (const std::bad_alloc&) {
        // panel_host's own allocation failed (a panel's own failures end in its
        // runtime's handlers, never here): ours to report, not the panel's abort.
        std::fputs("panel_host: out of memory (panel_host's own failure, not the panel's)\n", stderr);
    }
    flush_all();
    step_guard_ending(status); // last: whatever ends the process before this is the panel's doing
    return status;
}

int cannot(const char* what) {
    std::fprintf(stderr, "panel_host: cannot %s; the panel was not run (the emulator's own failure)\n", what);
    return exitEmulatorFault;
}

int watched_end(const step_guard_record& record, bool exited, unsigned long code) {
    std::string report;
    const int status = worker_end_status(record, exited, code, report);
    if (!report.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "panel_host: %s\n", report.c_str());
        std::fflush(stderr);
    }
    return status;
}

const step_guard_record freshRecord{"(before the first step)", 0, 0, 0};

} // namespace

int worker_end_status(const step_guard_record& record, bool exited, unsigned long code, std::string& report) {
    if (record.ending) {
        const bool asRecorded = exited && code == static_cast<unsigned long>(record.status);
        if (asRecorded || record.status == exitPanelCrashed || record.status == exitPanelHung) return record.status;
    }
    char how[40];
    if (!exited) std::snprintf(how, sizeof how, "signal %lu", code);
    else if (code > 255) std::snprintf(how, sizeof how, "exit code 0x%08lx", code);
    else std::snprintf(how, sizeof how, "exit status %lu", code);
    const std::string step(record.step, strnlen(record.step, sizeof record.step));
    report = std::string("the panel ended the process (") + how + ") " +
             (record.state == 1   ? "during " + step
              : record.state == 2 ? "after " + step
                                  : "before the first step");
    return exitPanelCrashed;
}

int run_guarded(const std::function<int()>& work, unsigned long memoryLimitMb, const guarded_memory& more) {
    // The caller's memory after the record, aligned for any type.
    constexpr std::size_t at = (sizeof(step_guard_record) + 63) / 64 * 64;
    const auto extra = [&more](void* shared) { return static_cast<char*>(shared) + at; };
    worker_calls calls;
    calls.sharedBytes = at + more.bytes;
    calls.memoryLimitBytes = static_cast<std::size_t>(memoryLimitMb) << 20;
    calls.prepare = [&](void* shared) {
        new (shared) step_guard_record(freshRecord);
        if (more.bytes > 0) {
            std::memset(extra(shared), 0, more.bytes);
            more.attach(extra(shared));
        }
        flush_all(); // what was written so far is out before the worker starts
    };
    calls.work = [&](void* shared) {
        if (more.bytes > 0) more.attach(extra(shared));
        step_guard_memory_limit(memoryLimitMb);
        return in_worker(static_cast<step_guard_record*>(shared), work);
    };
    calls.ended = [&more](void* shared, bool exited, unsigned long code) {
        const int status = watched_end(*static_cast<const step_guard_record*>(shared), exited, code);
        return more.ended ? more.ended(status) : status;
    };
    calls.cannot = cannot;
    return run_in_worker(calls);
}

} // namespace quon::host
