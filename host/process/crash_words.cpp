// The words of a Windows exception's code, the same on every system (a
// report read natively may name one).
#include "process/crash_handlers.h"

#include <cstdio>

namespace quon::host {

const char* exception_words(unsigned long code, char* buffer, std::size_t size) {
    std::snprintf(buffer, size, "the panel crashed (exception 0x%08lx)", code);
    return buffer;
}

} // namespace quon::host
