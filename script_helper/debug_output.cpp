#include "quon_debug.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#include <cstring>
#endif

namespace {
quon_debug_sink sink = nullptr;
void* sinkContext = nullptr;
} // namespace

void quon_set_debug_sink(quon_debug_sink newSink, void* context) {
    sink = newSink;
    sinkContext = context;
}

quon_debug_sink quon_get_debug_sink(void** context) {
    if (context) *context = sinkContext;
    return sink;
}

void quon_debug_output(const char* text) {
    if (sink) {
        sink(sinkContext, text);
        return;
    }
#ifdef _WIN32
    OutputDebugStringA(text);
#else
    // Stands in for the debugger channel, which shows each text on a line of
    // its own: a text without a line end gets one, written apart, so that a
    // reader taking one text per write sees the text as it was.
    if (!text || !*text) return;
    flockfile(stderr);
    std::fputs(text, stderr);
    if (text[std::strlen(text) - 1] != '\n') std::fputc('\n', stderr);
    funlockfile(stderr);
#endif
}
