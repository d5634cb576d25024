// crash_handlers on POSIX systems: signal handlers on a stack of their own,
// so that a panel that overflows its stack still gets its message.
#include "process/crash_handlers.h"

#include <csignal>
#include <unistd.h>

namespace quon::host {

namespace {
void (*crashed)(crash_kind, unsigned long) = nullptr;

extern "C" void on_signal(int number) { crashed(crash_kind::signal, static_cast<unsigned long>(number)); }
} // namespace

const char* crash_words(crash_kind kind, unsigned long code, char* buffer, std::size_t size) {
    if (kind == crash_kind::exception) return exception_words(code, buffer, size);
    return code == SIGSEGV   ? "the panel crashed (SIGSEGV)"
           : code == SIGABRT ? "the panel aborted (SIGABRT)"
           : code == SIGFPE  ? "the panel crashed (SIGFPE)"
           : code == SIGILL  ? "the panel crashed (SIGILL)"
                             : "the panel crashed (signal)";
}

void install_crash_handlers(void (*onCrash)(crash_kind kind, unsigned long code)) {
    crashed = onCrash;
    static char altStack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sa.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) sigaction(s, &sa, nullptr);
}

void write_standard_error(const char* bytes, std::size_t length) {
    ssize_t ignored = write(2, bytes, length);
    (void)ignored;
}

} // namespace quon::host
