// debug_capture: collects the script's debugger texts while it lives.
#ifndef DEBUG_CAPTURE_H
#define DEBUG_CAPTURE_H

#include "quon_debug.h"

#include <string>
#include <vector>

class debug_capture {
public:
    debug_capture() { quon_set_debug_sink(&debug_capture::take, this); }
    ~debug_capture() { quon_set_debug_sink(nullptr, nullptr); }
    debug_capture(const debug_capture&) = delete;
    debug_capture& operator=(const debug_capture&) = delete;

    std::vector<std::string> texts;

private:
    static void take(void* self, const char* text) { static_cast<debug_capture*>(self)->texts.emplace_back(text); }
};

#endif
