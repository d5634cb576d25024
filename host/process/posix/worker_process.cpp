// worker_process on POSIX systems: the worker is forked into a process group
// of its own, which the watcher ends once the worker has ended, or when the
// watcher itself is interrupted or ended.
#include "process/worker_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace quon::host {

namespace {

// The address sanitizer reserves far more address space than any bound on
// it: a bounded process of such a build could map nothing more.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

volatile sig_atomic_t workerGroup = 0;
constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The worker is in no group the terminal signals: Ctrl-C and the like end its
// group here, then this process as they would have.
extern "C" void on_ending_signal(int number) {
    if (workerGroup > 0) kill(-workerGroup, SIGKILL);
    signal(number, SIG_DFL);
    raise(number);
}

void become_worker(pid_t watcher) {
    setpgid(0, 0);
    // Out of the terminal's foreground group: its output and input must not stop it.
    signal(SIGTTOU, SIG_IGN);
    signal(SIGTTIN, SIG_IGN);
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL); // the worker does not outlive its watcher
    if (getppid() != watcher) _exit(1);
#endif
    (void)watcher;
}

// Waits for the worker's end, then ends what is left of its group (seen ended
// but not yet reaped, its id is still the group's); how it ended.
bool wait_for(pid_t pid, int& raw) {
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0)
        if (errno != EINTR) return false;
    kill(-pid, SIGKILL);
    pid_t waited;
    while ((waited = waitpid(pid, &raw, 0)) < 0 && errno == EINTR) {}
    return waited == pid;
}

} // namespace

int run_in_worker(const worker_calls& calls) {
    void* shared = mmap(nullptr, calls.sharedBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return calls.cannot("make memory to share with the panel's process");
    calls.prepare(shared);
    // The bound is this process's for the moment of the fork, which the
    // worker inherits: failing here is still this program's to report.
    rlimit unbounded{};
    const bool bounded = calls.memoryLimitBytes > 0;
    if (bounded && addressSanitizer) {
        munmap(shared, calls.sharedBytes);
        return calls.cannot("bound the memory of a process the address sanitizer watches");
    }
    if (bounded) {
        getrlimit(RLIMIT_AS, &unbounded);
        rlimit bound = unbounded;
        bound.rlim_cur = std::min<rlim_t>(calls.memoryLimitBytes, unbounded.rlim_max);
        if (setrlimit(RLIMIT_AS, &bound) != 0) {
            munmap(shared, calls.sharedBytes);
            return calls.cannot("bound the memory of the panel's process");
        }
    }
    const pid_t watcher = getpid();
    const pid_t pid = fork();
    if (bounded && pid != 0) setrlimit(RLIMIT_AS, &unbounded);
    if (pid == 0) {
        become_worker(watcher);
        return calls.work(shared);
    }
    int result;
    if (pid < 0) {
        result = calls.cannot("start the panel's process");
    } else {
        setpgid(pid, pid); // here too: whichever of the two runs first
        workerGroup = pid;
        struct sigaction sa {
        }, before[sizeof endingSignals / sizeof *endingSignals];
        sa.sa_handler = on_ending_signal;
        for (std::size_t n = 0; n < sizeof endingSignals / sizeof *endingSignals; ++n)
            sigaction(endingSignals[n], &sa, &before[n]);
        int raw = 0;
        const bool waited = wait_for(pid, raw);
        workerGroup = 0;
        for (std::size_t n = 0; n < sizeof endingSignals / sizeof *endingSignals; ++n)
            sigaction(endingSignals[n], &before[n], nullptr);
        result = !waited ? calls.cannot("wait for the panel's process")
                         : calls.ended(shared, WIFEXITED(raw), WIFEXITED(raw) ? WEXITSTATUS(raw) : WTERMSIG(raw));
    }
    munmap(shared, calls.sharedBytes);
    return result;
}

} // namespace quon::host
