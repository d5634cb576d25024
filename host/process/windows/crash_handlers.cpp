// crash_handlers on Windows: an unhandled exception filter, and SIGABRT,
// which abort() raises without an exception.
#include "process/crash_handlers.h"

#include <csignal>
#include <cstdio>
#include <windows.h>

namespace quon::host {

namespace {
void (*crashed)(const char*) = nullptr;

LONG WINAPI on_exception(EXCEPTION_POINTERS* info) {
    char what[96];
    std::snprintf(what, sizeof what, "the panel crashed (exception 0x%08lx)",
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    std::fflush(stdout);
    crashed(what);
    return EXCEPTION_CONTINUE_SEARCH;
}

extern "C" void on_abort(int) { crashed("the panel aborted (SIGABRT)"); }
} // namespace

void install_crash_handlers(void (*onCrash)(const char* what)) {
    crashed = onCrash;
    SetUnhandledExceptionFilter(on_exception);
    std::signal(SIGABRT, on_abort);
}

void write_standard_error(const char* bytes, std::size_t length) {
    std::fwrite(bytes, 1, length, stderr);
    std::fflush(stderr);
}

} // namespace quon::host
