// debug_capture: collects the script's debugger texts while it lives.
#ifndef DEBUG_CAPTURE_H
#define DEBUG_CAPTURE_H

#include "quon_debug.h"

#include <string>
#include <vector>

class debug_capture {
public:
    // Takes the output from whoever had it (a test host, say) and gives it back after.
    debug_capture() { saved_ = quon_get_debug_sink(&savedContext_), quon_set_debug_sink(&debug_capture::take, this); }
    ~debug_capture() { quon_set_debug_sink(saved_, savedContext_); }
    debug_capture(const debug_capture&) = delete;
    debug_capture& operator=(const debug_capture&) = delete;

    std::vector<std::string> texts;

private:
    quon_debug_sink saved_ = nullptr;
    void* savedContext_ = nullptr;
    static void take(void* self, const char* text) { static_cast<debug_capture*>(self)->texts.emplace_back(text); }
};

#endif
