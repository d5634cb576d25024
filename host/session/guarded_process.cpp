#include "session/guarded_process.h"

#include "base/exit_status.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

#ifdef _WIN32
#include <cwchar>
#include <windows.h>

#include "process/subprocess.h"
#else
#include <cerrno>
#include <csignal>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#endif

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

#ifdef _WIN32
// Set for the worker only: the mapping's handle, which it inherits.
const wchar_t workerVariable[] = L"QUON_PANEL_HOST_WORKER";

// The worker: this program again, with the same command line, its standard
// handles and the mapping. False when it could not be started.
bool start_worker(HANDLE mapping, PROCESS_INFORMATION& worker) {
    static wchar_t program[32768];
    const DWORD length = GetModuleFileNameW(nullptr, program, 32768);
    if (length == 0 || length >= 32768) return false;
    std::wstring line = GetCommandLineW();
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError})
        if (h && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SetEnvironmentVariableW(workerVariable, std::to_wstring(reinterpret_cast<std::uintptr_t>(mapping)).c_str());
    flush_all();
    // Suspended until it is in a job that ends it with this process.
    const BOOL made =
        CreateProcessW(program, &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &start, &worker);
    SetEnvironmentVariableW(workerVariable, nullptr);
    return made != FALSE;
}
#endif

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

#ifdef _WIN32

int run_guarded(const std::function<int()>& work) {
    wchar_t value[32];
    const DWORD n = GetEnvironmentVariableW(workerVariable, value, 32);
    if (n > 0 && n < 32) {                                // this is the worker
        SetEnvironmentVariableW(workerVariable, nullptr); // not for programs the panel starts
        const auto mapping = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(value, nullptr, 10)));
        void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(step_guard_record));
        if (!view) return cannot("see the memory it shares with the process that watches it");
        return in_worker(static_cast<step_guard_record*>(view), work);
    }
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0, sizeof(step_guard_record), nullptr);
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(step_guard_record)) : nullptr;
    if (!view) return cannot("make memory to share with the panel's process");
    const auto* record = new (view) step_guard_record(freshRecord);
    PROCESS_INFORMATION worker{};
    int status = exitEmulatorFault;
    if (!start_worker(mapping, worker)) {
        status = cannot("start the panel's process");
    } else {
        // The worker ends with this process, however this one is ended (the
        // job's last handle closes with it).
        HANDLE job = kill_on_close_job();
        if (job) AssignProcessToJobObject(job, worker.hProcess);
        ResumeThread(worker.hThread);
        CloseHandle(worker.hThread);
        WaitForSingleObject(worker.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(worker.hProcess, &code);
        CloseHandle(worker.hProcess);
        status = watched_end(*record, true, code);
    }
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    return status;
}

#else

int run_guarded(const std::function<int()>& work) {
    void* page = mmap(nullptr, sizeof(step_guard_record), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return cannot("make memory to share with the panel's process");
    const auto* record = new (page) step_guard_record(freshRecord);
    flush_all();
    const pid_t watcher = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
#ifdef __linux__
        prctl(PR_SET_PDEATHSIG, SIGKILL); // the worker does not outlive its watcher
        if (getppid() != watcher) _exit(exitEmulatorFault);
#endif
        (void)watcher;
        return in_worker(static_cast<step_guard_record*>(page), work);
    }
    int status = exitEmulatorFault;
    int raw = 0;
    if (pid < 0) {
        status = cannot("start the panel's process");
    } else {
        pid_t waited;
        while ((waited = waitpid(pid, &raw, 0)) < 0 && errno == EINTR) {}
        if (waited != pid) status = cannot("wait for the panel's process");
        else status = watched_end(*record, WIFEXITED(raw), WIFEXITED(raw) ? WEXITSTATUS(raw) : WTERMSIG(raw));
    }
    munmap(page, sizeof(step_guard_record));
    return status;
}

#endif

} // namespace quon::host
