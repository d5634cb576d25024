// log_frames: the conversation of the panel's process as the runner prints
// it, sent to the server as "log" frames, bounded (session/text_bounds.h).
#ifndef HOST_PANEL_PROCESS_LOG_FRAMES_H
#define HOST_PANEL_PROCESS_LOG_FRAMES_H

#include "panel_process/pipe_ends.h"
#include "session/text_bounds.h"

#include <cstring>
#include <streambuf>
#include <string>

namespace quon::host {

// The conversation as the runner prints it, sent a line at a time: each line
// cut to logLineBytes and at most stepLogBytes of them a step (text_bounds.h),
// so that a panel that floods it costs neither process nor server more.
class log_frames : public std::streambuf {
public:
    explicit log_frames(protocol_pipe& pipe) : pipe_(pipe) {}

    // The step's lines are sent: what did not fit is named, and the next step
    // has the whole budget again.
    void end_step() {
        sync();
        if (dropped_ > 0)
            pipe_.send(frame("log", "  (" + std::to_string(dropped_) +
                                        " more bytes of this step's conversation "
                                        "not shown: over " +
                                        std::to_string(stepLogBytes) + " bytes in one step)\n"));
        sent_ = dropped_ = 0;
    }

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return 0;
        const char ch = static_cast<char>(c);
        put(&ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        put(s, static_cast<std::size_t>(n));
        return n;
    }
    int sync() override {
        end_line(false);
        send();
        return 0;
    }

private:
    void put(const char* s, std::size_t n) {
        while (n > 0) {
            const char* end = static_cast<const char*>(std::memchr(s, '\n', n));
            const std::size_t part = end ? static_cast<std::size_t>(end - s) : n;
            line_.add(s, part);
            if (!end) break;
            end_line(true);
            s += part + 1;
            n -= part + 1;
        }
        if (!ready_.empty()) send();
    }
    void end_line(bool ended) {
        if (line_.bytes() == 0 && !ended) return;
        const std::size_t bytes = line_.bytes() + ended;
        const std::string line = line_.take() + (ended ? "\n" : "");
        if (sent_ + line.size() > stepLogBytes) dropped_ += bytes;
        else {
            sent_ += line.size();
            ready_ += line;
        }
    }
    void send() {
        if (!ready_.empty()) pipe_.send(frame("log", ready_));
        ready_.clear();
    }

    protocol_pipe& pipe_;
    bounded_line line_{logLineBytes};    // the line so far
    std::string ready_;                  // the lines to send
    std::size_t sent_ = 0, dropped_ = 0; // bytes of this step's conversation
};

} // namespace quon::host

#endif
