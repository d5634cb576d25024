// worker_process on Windows: the worker is this program started again,
// suspended until it is in a job that ends every process in it once the
// worker has ended, or with the watcher however it is ended.
#include "process/worker_process.h"

#include "process/job_object.h"

#include <cstdint>
#include <cwchar>
#include <string>
#include <windows.h>

namespace quon::host {

namespace {

// Set for the worker only: the shared memory's handle, which it inherits.
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
    const BOOL made =
        CreateProcessW(program, &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &start, &worker);
    SetEnvironmentVariableW(workerVariable, nullptr);
    return made != FALSE;
}

// In the worker: the memory the watcher shares; null when this is not the worker.
void* worker_memory(std::size_t bytes, bool& isWorker) {
    wchar_t value[32];
    const DWORD n = GetEnvironmentVariableW(workerVariable, value, 32);
    isWorker = n > 0 && n < 32;
    if (!isWorker) return nullptr;
    SetEnvironmentVariableW(workerVariable, nullptr); // not for programs the panel starts
    const auto mapping = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(value, nullptr, 10)));
    return MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, bytes);
}

} // namespace

int run_in_worker(const worker_calls& calls) {
    bool isWorker = false;
    if (void* shared = worker_memory(calls.sharedBytes, isWorker); isWorker)
        return shared ? calls.work(shared) : calls.cannot("see the memory it shares with the process that watches it");
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(calls.sharedBytes), nullptr);
    void* shared = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, calls.sharedBytes) : nullptr;
    if (!shared) return calls.cannot("make memory to share with the panel's process");
    calls.prepare(shared);
    PROCESS_INFORMATION worker{};
    int result;
    if (!start_worker(mapping, worker)) {
        result = calls.cannot("start the panel's process");
    } else {
        HANDLE job = kill_on_close_job(calls.memoryLimitBytes);
        if (job) AssignProcessToJobObject(job, worker.hProcess);
        ResumeThread(worker.hThread);
        CloseHandle(worker.hThread);
        WaitForSingleObject(worker.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(worker.hProcess, &code);
        CloseHandle(worker.hProcess);
        if (job) { // whatever the panel started
            TerminateJobObject(job, 137);
            CloseHandle(job);
        }
        result = calls.ended(shared, true, code);
    }
    UnmapViewOfFile(shared);
    CloseHandle(mapping);
    return result;
}

} // namespace quon::host
