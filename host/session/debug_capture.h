// debug_capture: brings a panel's debugger texts into the conversation.
// Natively the framework writes them to the C library's stderr; while the
// panel runs, this points stderr (the variable, not descriptor 2, which the
// crash and hang messages keep using) at a memory stream and hands out what
// arrived. On Windows the texts go to the debugger (OutputDebugStringA; wine
// prints them with WINEDEBUG=+debugstr), so there it captures nothing.
#ifndef HOST_DEBUG_CAPTURE_H
#define HOST_DEBUG_CAPTURE_H

#include <cstdio>
#include <string>

class debug_capture {
public:
    debug_capture() = default;
    ~debug_capture();
    debug_capture(const debug_capture&) = delete;
    debug_capture& operator=(const debug_capture&) = delete;

    // From begin() to the matching end() the panel's stderr is captured;
    // calls nest.
    void begin();
    void end();
    // What was written since the last take.
    std::string take();

private:
    int depth_ = 0;
    std::FILE* stream_ = nullptr;
    std::FILE* saved_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t size_ = 0, taken_ = 0;
};

#endif
