// debug_capture: brings a panel's debugger texts into the conversation, one
// text per write, natively and on Windows alike (process/debug_texts.h says
// how each system's texts are taken). One capture is begun at a time in a
// process.
#ifndef HOST_SESSION_DEBUG_CAPTURE_H
#define HOST_SESSION_DEBUG_CAPTURE_H

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace quon::host {

class debug_capture {
public:
    debug_capture() = default;
    ~debug_capture();
    debug_capture(const debug_capture&) = delete;
    debug_capture& operator=(const debug_capture&) = delete;

    // From begin() to the matching end() the panel's texts are captured,
    // from any thread; calls nest.
    void begin();
    void end();
    // The texts written since the last take, in order, each without its line
    // end and cut to its bound (text_bounds.h); empty texts are left out.
    // Past a bound in all the rest are counted and named in one last text.
    std::vector<std::string> take();

    // Adds one text as the panel wrote it (the platforms' hooks call this).
    void add(const char* text, std::size_t length);

    // For a process that is ending (a crash, a hang): the texts of the
    // capture begun now that were not taken yet, each as the conversation's
    // "  debug text: " line, to `write`, so that what the panel wrote last is
    // not lost with it. Allocates nothing and waits for no lock: texts held
    // while another thread adds one are left out.
    static void write_untaken(void (*write)(const char* bytes, std::size_t length));

private:
    int depth_ = 0;
    std::mutex lock_;
    std::vector<std::string> texts_;
    std::size_t bytes_ = 0, dropped_ = 0;
};

} // namespace quon::host

#endif
