// this_process on POSIX systems.
#include "process/this_process.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pthread.h>
#include <unistd.h>

namespace quon::host {

namespace {
std::atomic<bool>* interruptFlag = nullptr;
extern "C" void on_interrupt(int) {
    if (interruptFlag) *interruptFlag = true;
}
} // namespace

std::string own_program() {
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).string();
}

long own_process_id() { return static_cast<long>(getpid()); }

void set_environment_variable(const char* name, const std::string& value) {
    if (value.empty()) unsetenv(name);
    else setenv(name, value.c_str(), 1);
}

void plain_standard_output() {}

void catch_interrupts(std::atomic<bool>& interrupted) {
    interruptFlag = &interrupted;
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void flush_output_at_fork() {
    static const int registered = pthread_atfork([] { std::fflush(nullptr); }, nullptr, nullptr);
    (void)registered;
}

std::string program_file_name(const std::string& name) { return name; }

char path_list_separator() { return ':'; }

void end_process_now(int status) { std::_Exit(status); }

void wait_forever() {
    for (;;) pause();
}

} // namespace quon::host
