#include "debug_capture.h"

#include <cstdlib>

#ifndef _WIN32
namespace {
// A stream that has grown past this is started afresh after a take.
constexpr std::size_t restartSize = 1 << 20;
} // namespace
#endif

debug_capture::~debug_capture() {
    while (depth_ > 0) end();
#ifndef _WIN32
    if (stream_) std::fclose(stream_);
    std::free(buffer_);
#endif
}

void debug_capture::begin() {
#ifndef _WIN32
    if (depth_++ > 0) return;
    if (!stream_) {
        stream_ = open_memstream(&buffer_, &size_);
        if (!stream_) return; // no memory: the texts stay on stderr
    }
    saved_ = stderr;
    stderr = stream_; // glibc's stderr is a variable that may be set
#endif
}

void debug_capture::end() {
#ifndef _WIN32
    if (depth_ == 0 || --depth_ > 0) return;
    if (!saved_) return;
    std::fflush(stream_); // buffered texts are taken before the next call
    stderr = saved_;
    saved_ = nullptr;
#endif
}

std::string debug_capture::take() {
#ifndef _WIN32
    if (!stream_) return "";
    std::fflush(stream_); // updates buffer_ and size_
    std::string text(buffer_ + taken_, size_ - taken_);
    taken_ = size_;
    if (taken_ > restartSize && depth_ == 0) {
        std::fclose(stream_);
        std::free(buffer_);
        stream_ = nullptr;
        buffer_ = nullptr;
        size_ = taken_ = 0;
    }
    return text;
#else
    return "";
#endif
}
