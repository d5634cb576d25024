#include "process/subprocess.h"

#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace quon::host {

struct child_process::pipe_reader {
#ifdef _WIN32
    HANDLE handle = nullptr;
#else
    int fd = -1;
#endif
    std::string data;
    bool ended = false;
    std::thread thread;
};

namespace {

#ifdef _WIN32
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
#endif

} // namespace

std::string own_program() {
#ifdef _WIN32
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
#else
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).string();
#endif
}

long own_process_id() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(getpid());
#endif
}

child_process::child_process() = default;

child_process::~child_process() {
    if (pid_ && ending_.empty()) kill();
}

void child_process::read_into(pipe_reader& r) {
    char buffer[4096];
    for (;;) {
#ifdef _WIN32
        DWORD n = 0;
        const bool ok = ReadFile(r.handle, buffer, sizeof buffer, &n, nullptr) && n > 0;
#else
        ssize_t n = ::read(r.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        const bool ok = n > 0;
#endif
        std::lock_guard<std::mutex> guard(lock_);
        if (!ok) {
            r.ended = true;
            changed_.notify_all();
            return;
        }
        r.data.append(buffer, static_cast<std::size_t>(n));
        changed_.notify_all();
    }
}

bool child_process::start(const std::vector<std::string>& args, std::string& error) {
    out_ = std::make_unique<pipe_reader>();
    err_ = std::make_unique<pipe_reader>();
#ifdef _WIN32
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
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    const BOOL made = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    const DWORD why = GetLastError();
    for (HANDLE theirs : {inRead, outWrite, errWrite}) CloseHandle(theirs);
    if (!made) {
        for (HANDLE own : {inWrite, outRead, errRead}) CloseHandle(own);
        error = "cannot start " + args[0] + ": system error " + std::to_string(why);
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = static_cast<long>(pi.dwProcessId);
    input_ = inWrite;
    out_->handle = outRead;
    err_->handle = errRead;
#else
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        error = std::string("cannot make pipes: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE); // the server ignores it; the panel's process is as any other
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int r = posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    for (int theirs : {in[0], out[1], err[1]}) close(theirs);
    if (r != 0) {
        for (int own : {in[1], out[0], err[0]}) close(own);
        error = "cannot start " + args[0] + ": " + std::strerror(r);
        return false;
    }
    pid_ = pid;
    input_ = in[1];
    out_->fd = out[0];
    err_->fd = err[0];
#endif
    out_->thread = std::thread([this] { read_into(*out_); });
    err_->thread = std::thread([this] { read_into(*err_); });
    return true;
}

bool child_process::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
#ifdef _WIN32
        DWORD n = 0;
        if (!WriteFile(input_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr)) return false;
#else
        const ssize_t n = ::write(input_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
#endif
        done += static_cast<std::size_t>(n);
    }
    return true;
}

child_process::wait_result child_process::receive(std::string& into, std::chrono::steady_clock::time_point until) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait_until(guard, until, [this] { return !out_->data.empty() || out_->ended; });
    if (!out_->data.empty()) {
        into += out_->data;
        out_->data.clear();
        return wait_result::output;
    }
    return out_->ended ? wait_result::ended : wait_result::timeout;
}

std::string child_process::errors() {
    std::lock_guard<std::mutex> guard(lock_);
    std::string text;
    text.swap(err_->data);
    return text;
}

bool child_process::reap(bool block) {
    if (!ending_.empty()) return true;
#ifdef _WIN32
    if (WaitForSingleObject(process_, block ? INFINITE : 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    exitStatus_ = static_cast<int>(code);
    char text[48];
    std::snprintf(text, sizeof text, code > 255 ? "exit code 0x%08lx" : "exit status %lu",
                  static_cast<unsigned long>(code));
    ending_ = text;
    CloseHandle(process_);
    CloseHandle(input_);
#else
    int status = 0;
    pid_t r;
    while ((r = waitpid(static_cast<pid_t>(pid_), &status, block ? 0 : WNOHANG)) < 0 && errno == EINTR) {
    }
    if (r == 0) return false;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ending_ = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                : "signal " + std::to_string(WTERMSIG(status));
    close(input_);
#endif
    // Its pipes are closed now that it has gone: the readers end.
    for (pipe_reader* reader : {out_.get(), err_.get()}) {
        reader->thread.join();
#ifdef _WIN32
        CloseHandle(reader->handle);
#else
        close(reader->fd);
#endif
    }
    return true;
}

void child_process::kill() {
    if (!pid_ || !ending_.empty()) return;
#ifdef _WIN32
    TerminateProcess(process_, 137);
#else
    ::kill(static_cast<pid_t>(pid_), SIGKILL);
#endif
    reap(true);
}

bool child_process::wait(std::chrono::steady_clock::time_point until) {
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace quon::host
