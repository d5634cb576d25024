// crash_handlers: the handlers a crash of the panel's code meets: natively
// signal handlers on a stack of their own, on Windows an unhandled exception
// filter (and SIGABRT). Each calls back with the crash as a value and must
// not return.
#ifndef HOST_PROCESS_CRASH_HANDLERS_H
#define HOST_PROCESS_CRASH_HANDLERS_H

#include <cstddef>

namespace quon::host {

// A crash as a value: a signal's number (SIGABRT on Windows too), or a
// Windows exception's code.
enum class crash_kind { signal, exception };

// `onCrash` gets the crash; it runs in a signal handler natively, so it keeps
// to async-signal-safe calls.
void install_crash_handlers(void (*onCrash)(crash_kind kind, unsigned long code));

// The crash in words, "the panel crashed (SIGSEGV)", "the panel aborted
// (SIGABRT)", "the panel crashed (exception 0xc0000005)" and the like: static
// words, or written into `buffer` (64 bytes are enough); safe in a handler.
const char* crash_words(crash_kind kind, unsigned long code, char* buffer, std::size_t size);
// An exception's words, which both systems' crash_words give the same way.
const char* exception_words(unsigned long code, char* buffer, std::size_t size);

// Writes to standard error, unbuffered and async-signal-safe where the system
// allows (natively descriptor 2 itself, on Windows the C library's stream).
void write_standard_error(const char* bytes, std::size_t length);

} // namespace quon::host

#endif
