// child_process on POSIX systems: posix_spawn into a process group of its
// own, only the three pipes inherited, the group ended with the process.
#include "process/subprocess.h"

#include "process/pipe_reader.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quon::host {

namespace {

// What a reader takes from its pipe once the group is gone: what the
// process wrote before it ended, not what an escaped process writes on.
constexpr std::size_t drainBytes = 4u << 20;

bool spawn_panel_process(const std::vector<std::string>& args, const int (&fds)[3], pid_t& pid, int& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int n = 0; n < 3; ++n) posix_spawn_file_actions_adddup2(&actions, fds[n], n);
    // Nothing else of this program's (its sockets, other pipes) reaches the panel.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE); // the server ignores it; the panel's process is as any other
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0); // a group of its own, ended with it
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    error = posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error == 0;
}

int fd_of(const child_process::pipe_reader& r) { return static_cast<int>(r.file); }

} // namespace

long read_some(child_process::pipe_reader& r, char* buffer, std::size_t size) {
    for (;;) {
        if (r.stopping) {
            if (r.drained >= drainBytes) return 0;
            const ssize_t n = ::read(fd_of(r), buffer, size); // non-blocking
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return 0;
            r.drained += static_cast<std::size_t>(n);
            return static_cast<long>(n);
        }
        pollfd p[2] = {{fd_of(r), POLLIN, 0}, {r.wake[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        if (p[1].revents) continue; // stopping: take what is left
        const ssize_t n = ::read(fd_of(r), buffer, size);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return n > 0 ? static_cast<long>(n) : 0;
    }
}

void wake_reader(child_process::pipe_reader& r) {
    const char one = 1;
    while (::write(r.wake[1], &one, 1) < 0 && errno == EINTR) {}
}

void close_reader(child_process::pipe_reader& r) {
    for (int fd : {fd_of(r), r.wake[0], r.wake[1]})
        if (fd >= 0) close(fd);
    r.file = noFile;
    r.wake[0] = r.wake[1] = -1;
}

bool child_process::start(const std::vector<std::string>& args, std::string& error) {
    out_ = std::make_unique<pipe_reader>();
    err_ = std::make_unique<pipe_reader>();
    err_->bounded = true;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
        pipe2(out_->wake, O_CLOEXEC) != 0 || pipe2(err_->wake, O_CLOEXEC) != 0) {
        error = std::string("cannot make pipes: ") + std::strerror(errno);
        return false;
    }
    pid_t pid = 0;
    int why = 0;
    const bool started = spawn_panel_process(args, {in[0], out[1], err[1]}, pid, why);
    for (int theirs : {in[0], out[1], err[1]}) close(theirs);
    out_->file = out[0];
    err_->file = err[0];
    if (!started) {
        close(in[1]);
        close_reader(*out_);
        close_reader(*err_);
        error = "cannot start " + args[0] + ": " + std::strerror(why);
        return false;
    }
    for (int fd : {out[0], err[0]}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    input_ = in[1];
    start_readers();
    return true;
}

bool child_process::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(static_cast<int>(input_), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool child_process::reap(bool block) {
    if (!ending_.empty()) return true;
    // Seen ended but not reaped yet, so its group's id is still its own.
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG)) < 0 &&
           errno == EINTR) {}
    if (info.si_pid == 0) return false;
    ::kill(-static_cast<pid_t>(pid_), SIGKILL); // whatever the panel started
    int status = 0;
    while (waitpid(static_cast<pid_t>(pid_), &status, 0) < 0 && errno == EINTR) {}
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ending_ = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                : "signal " + std::to_string(WTERMSIG(status));
    close(static_cast<int>(input_));
    end_readers();
    return true;
}

void child_process::kill() {
    if (!pid_ || !ending_.empty()) return;
    ::kill(-static_cast<pid_t>(pid_), SIGKILL);
    ::kill(static_cast<pid_t>(pid_), SIGKILL);
    reap(true);
}

} // namespace quon::host
