#include "session/debug_capture.h"

#include "session/text_bounds.h"
#include "base/utf8_text.h"
#include "process/debug_texts.h"

#include <atomic>

namespace quon::host {

namespace {
std::atomic<debug_capture*> begunCapture{nullptr}; // the one capture begun in this process

// What a capture holds between takes: a panel that writes in a loop costs
// memory up to here (text_bounds.h), then only a count.
constexpr std::size_t maxHeldTexts = 100000;

void add_to(void* capture, const char* text, std::size_t length) {
    static_cast<debug_capture*>(capture)->add(text, length);
}
} // namespace

debug_capture::~debug_capture() {
    while (depth_ > 0) end();
}

void debug_capture::add(const char* text, std::size_t length) {
    if (length > 0 && text[length - 1] == '\n') --length; // the line end is not the text's
    if (length > 0 && text[length - 1] == '\r') --length;
    if (length == 0) return; // natively an empty text is no write at all: the same on Windows
    std::string kept = cut_text(std::string_view(text, length), length, debugTextBytes);
    std::lock_guard<std::mutex> guard(lock_);
    if (bytes_ + kept.size() > debugHeldBytes || texts_.size() >= maxHeldTexts) {
        ++dropped_;
        return;
    }
    bytes_ += kept.size();
    texts_.push_back(std::move(kept));
}

void debug_capture::begin() {
    if (depth_++ > 0) return;
    begunCapture = this;
    take_debug_texts(add_to, this);
}

void debug_capture::end() {
    if (depth_ == 0 || --depth_ > 0) return;
    debug_capture* self = this;
    if (begunCapture.compare_exchange_strong(self, nullptr)) release_debug_texts();
}

std::vector<std::string> debug_capture::take() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> texts;
    texts.swap(texts_);
    if (dropped_ > 0)
        texts.push_back("(" + std::to_string(dropped_) + " more debugger texts, not kept: too many at once)");
    bytes_ = dropped_ = 0;
    return texts;
}

void debug_capture::write_untaken(void (*write)(const char*, std::size_t)) {
    debug_capture* capture = begunCapture.load();
    if (!capture || !capture->lock_.try_lock()) return;
    for (const std::string& text : capture->texts_) {
        char line[256] = "  debug text: ";
        std::size_t n = 14;
        for (unsigned char c : text) {
            if (n + 5 > sizeof line) {
                write(line, n);
                n = 0;
            }
            n += printable_byte(c, line + n);
        }
        line[n++] = '\n';
        write(line, n);
    }
    capture->lock_.unlock();
}

} // namespace quon::host
