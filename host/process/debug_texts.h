// debug_texts: where a panel's debugger texts arrive, one text per write.
// Natively the framework writes them to the C library's stderr: while taken,
// stderr (the variable, not descriptor 2, which crash and hang messages keep
// using) points at an unbuffered stream of ours. On Windows a panel writes
// them with OutputDebugStringA/W, which raise the debug-print exception: a
// vectored exception handler takes the text while they are taken, and the
// exception counts as seen by a debugger. One taker at a time in a process.
#ifndef HOST_PROCESS_DEBUG_TEXTS_H
#define HOST_PROCESS_DEBUG_TEXTS_H

#include <cstddef>

namespace quon::host {

using debug_text_sink = void (*)(void* target, const char* text, std::size_t length);

// From now on each text goes to `sink(target, ...)`, from any thread.
void take_debug_texts(debug_text_sink sink, void* target);
// They go where they went before.
void release_debug_texts();

} // namespace quon::host

#endif
