// child_process on Windows: CreateProcess into a job object that ends every
// process in it when closed, with only the three pipe ends inherited.
#include "process/subprocess.h"

#include "process/job_object.h"
#include "process/pipe_reader.h"

#include <cstdio>
#include <windows.h>

namespace quon::host {

namespace {

// One argument as the C library of the started program splits them again.
std::string quoted_argument(const std::string& a) {
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : a) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    return out.append(slashes * 2, '\\') + "\"";
}

// Started suspended, so that it is in the job before it can start anything.
bool create_suspended(std::string line, HANDLE (&std)[3], PROCESS_INFORMATION& pi) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string storage(size, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(&storage[0]);
    const bool listed =
        InitializeProcThreadAttributeList(list, 1, 0, &size) &&
        UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, std, sizeof std, nullptr, nullptr);
    STARTUPINFOEXA si{};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = std[0];
    si.StartupInfo.hStdOutput = std[1];
    si.StartupInfo.hStdError = std[2];
    si.lpAttributeList = listed ? list : nullptr;
    const DWORD flags = CREATE_SUSPENDED | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0);
    BOOL made =
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si.StartupInfo, &pi);
    if (!made && listed) { // a system without handle lists: every inheritable handle goes, as before
        si.StartupInfo.cb = sizeof si.StartupInfo;
        made = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                              &si.StartupInfo, &pi);
    }
    if (listed) DeleteProcThreadAttributeList(list);
    return made;
}

} // namespace

long read_some(child_process::pipe_reader& r, char* buffer, std::size_t size) {
    DWORD n = 0;
    return ReadFile(reinterpret_cast<HANDLE>(r.file), buffer, static_cast<DWORD>(size), &n, nullptr)
               ? static_cast<long>(n)
               : 0;
}

// Once the job is ended, no process holds the pipes' other ends: the reads end.
void wake_reader(child_process::pipe_reader&) {}

void close_reader(child_process::pipe_reader& r) {
    if (r.file != noFile) CloseHandle(reinterpret_cast<HANDLE>(r.file));
    r.file = noFile;
}

bool child_process::start(const std::vector<std::string>& args, std::string& error) {
    out_ = std::make_unique<pipe_reader>();
    err_ = std::make_unique<pipe_reader>();
    err_->bounded = true;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&inRead, &inWrite, &sa, 0) || !CreatePipe(&outRead, &outWrite, &sa, 0) ||
        !CreatePipe(&errRead, &errWrite, &sa, 0)) {
        error = "cannot make pipes: system error " + std::to_string(GetLastError());
        return false;
    }
    for (HANDLE own : {inWrite, outRead, errRead}) SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);
    std::string line;
    for (const std::string& a : args) line += (line.empty() ? "" : " ") + quoted_argument(a);
    HANDLE theirs[3] = {inRead, outWrite, errWrite};
    PROCESS_INFORMATION pi{};
    const bool made = create_suspended(line, theirs, pi);
    const DWORD why = GetLastError();
    for (HANDLE h : theirs) CloseHandle(h);
    if (!made) {
        for (HANDLE own : {inWrite, outRead, errRead}) CloseHandle(own);
        error = "cannot start " + args[0] + ": system error " + std::to_string(why);
        return false;
    }
    job_ = kill_on_close_job(0);
    if (job_ && !AssignProcessToJobObject(job_, pi.hProcess)) { // this program's own job may not allow it
        CloseHandle(job_);
        job_ = nullptr;
    }
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = static_cast<long>(pi.dwProcessId);
    input_ = reinterpret_cast<native_file>(inWrite);
    out_->file = reinterpret_cast<native_file>(outRead);
    err_->file = reinterpret_cast<native_file>(errRead);
    start_readers();
    return true;
}

bool child_process::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(input_), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &n, nullptr))
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool child_process::reap(bool block) {
    if (!ending_.empty()) return true;
    if (WaitForSingleObject(process_, block ? INFINITE : 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    exitStatus_ = static_cast<int>(code);
    char text[48];
    std::snprintf(text, sizeof text, code > 255 ? "exit code 0x%08lx" : "exit status %lu",
                  static_cast<unsigned long>(code));
    ending_ = text;
    if (job_) { // whatever the panel started
        TerminateJobObject(job_, 137);
        CloseHandle(job_);
        job_ = nullptr;
    }
    CloseHandle(process_);
    CloseHandle(reinterpret_cast<HANDLE>(input_));
    end_readers();
    return true;
}

void child_process::kill() {
    if (!pid_ || !ending_.empty()) return;
    if (job_) TerminateJobObject(job_, 137);
    TerminateProcess(process_, 137);
    reap(true);
}

} // namespace quon::host
