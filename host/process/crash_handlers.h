// crash_handlers: the handlers a crash of the panel's code meets: natively
// signal handlers on a stack of their own, on Windows an unhandled exception
// filter (and SIGABRT). Each calls back with the crash in words and must not
// return.
#ifndef HOST_PROCESS_CRASH_HANDLERS_H
#define HOST_PROCESS_CRASH_HANDLERS_H

#include <cstddef>

namespace quon::host {

// `onCrash` gets "the panel crashed (SIGSEGV)", "the panel aborted (SIGABRT)",
// "the panel crashed (exception 0xc0000005)" and the like; it runs in a signal
// handler natively, so it keeps to async-signal-safe calls.
void install_crash_handlers(void (*onCrash)(const char* what));

// Writes to standard error, unbuffered and async-signal-safe where the system
// allows (natively descriptor 2 itself, on Windows the C library's stream).
void write_standard_error(const char* bytes, std::size_t length);

} // namespace quon::host

#endif
