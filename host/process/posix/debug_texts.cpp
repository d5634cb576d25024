// debug_texts on POSIX systems: stderr, the C library's variable, points at
// an unbuffered stream whose every write is one text.
#include "process/debug_texts.h"

#include <cstdio>
#include <sys/types.h>

namespace quon::host {

namespace {
struct taker {
    debug_text_sink sink = nullptr;
    void* target = nullptr;
};
taker current;
std::FILE* stream = nullptr; // made once, kept for the process's life
std::FILE* saved = nullptr;

ssize_t write_text(void* cookie, const char* text, size_t length) {
    const taker& t = *static_cast<taker*>(cookie);
    if (t.sink) t.sink(t.target, text, length);
    return static_cast<ssize_t>(length);
}
} // namespace

void take_debug_texts(debug_text_sink sink, void* target) {
    current = {sink, target};
    if (!stream) {
        stream = fopencookie(&current, "w", {nullptr, write_text, nullptr, nullptr});
        if (!stream) return;                      // no memory: the texts stay on stderr
        std::setvbuf(stream, nullptr, _IONBF, 0); // one write per text
    }
    if (saved) return;
    saved = stderr;
    stderr = stream; // glibc's stderr is a variable that may be set
}

void release_debug_texts() {
    if (saved) stderr = saved;
    saved = nullptr;
    current = {};
}

} // namespace quon::host
