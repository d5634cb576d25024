// crash_handlers on Windows: an unhandled exception filter, and SIGABRT,
// which abort() raises without an exception.
#include "process/crash_handlers.h"

#include <csignal>
#include <cstdio>
#include <windows.h>

namespace quon::host {

namespace {
void (*crashed)(crash_kind, unsigned long) = nullptr;

LONG WINAPI on_exception(EXCEPTION_POINTERS* info) {
    std::fflush(stdout);
    crashed(crash_kind::exception, static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    return EXCEPTION_CONTINUE_SEARCH;
}

extern "C" void on_abort(int) { crashed(crash_kind::signal, SIGABRT); }
} // namespace

const char* crash_words(crash_kind kind, unsigned long code, char* buffer, std::size_t size) {
    if (kind == crash_kind::exception) return exception_words(code, buffer, size);
    return code == SIGABRT ? "the panel aborted (SIGABRT)" : "the panel crashed (signal)";
}

void install_crash_handlers(void (*onCrash)(crash_kind kind, unsigned long code)) {
    crashed = onCrash;
    SetUnhandledExceptionFilter(on_exception);
    std::signal(SIGABRT, on_abort);
}

void write_standard_error(const char* bytes, std::size_t length) {
    std::fwrite(bytes, 1, length, stderr);
    std::fflush(stderr);
}

} // namespace quon::host
