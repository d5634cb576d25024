#include "quon_debug.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace {
quon_debug_sink sink = nullptr;
void* sinkContext = nullptr;
} // namespace

void quon_set_debug_sink(quon_debug_sink newSink, void* context) {
    sink = newSink;
    sinkContext = context;
}

void quon_debug_output(const char* text) {
    if (sink) {
        sink(sinkContext, text);
        return;
    }
#ifdef _WIN32
    OutputDebugStringA(text);
#else
    // Stands in for the debugger channel: the text as it is, no line end.
    std::fputs(text, stderr);
#endif
}
