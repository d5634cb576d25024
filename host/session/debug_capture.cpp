#include "session/debug_capture.h"

#include "session/text_bounds.h"
#include "base/utf8_text.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/types.h>
#endif

namespace quon::host {

namespace {
std::atomic<debug_capture*> begunCapture{nullptr}; // the one capture begun in this process

// What a capture holds between takes: a panel that writes in a loop costs
// memory up to here (text_bounds.h), then only a count.
constexpr std::size_t maxHeldTexts = 100000;

#ifdef _WIN32
constexpr DWORD printException = 0x40010006;     // DBG_PRINTEXCEPTION_C: length with NUL, text
constexpr DWORD printWideException = 0x4001000A; // DBG_PRINTEXCEPTION_WIDE_C: the same in UTF-16

// Never destroyed: a panel may write from a thread that outlives main.
std::mutex& activeLock = *new std::mutex;
debug_capture* active = nullptr;

std::string utf8_of(const wchar_t* text, std::size_t length) {
    const int n = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, n, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, n, &out[0], bytes, nullptr, nullptr);
    return out;
}

LONG CALLBACK on_debug_print(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    const bool narrow = r->ExceptionCode == printException, wide = r->ExceptionCode == printWideException;
    if ((!narrow && !wide) || r->NumberParameters < 2 || !r->ExceptionInformation[1]) return EXCEPTION_CONTINUE_SEARCH;
    std::lock_guard<std::mutex> guard(activeLock);
    if (!active) return EXCEPTION_CONTINUE_SEARCH;         // not ours: the debugger channel as usual
    const std::size_t length = r->ExceptionInformation[0]; // with the terminating NUL
    if (narrow) {
        const char* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        active->add(text, strnlen(text, length));
    } else {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]);
        const std::string utf8 = utf8_of(text, wcsnlen(text, length));
        active->add(utf8.data(), utf8.size());
    }
    return EXCEPTION_CONTINUE_EXECUTION; // as a debugger that took the text
}

void install_handler() {
    static const PVOID handler = AddVectoredExceptionHandler(1, on_debug_print);
    (void)handler;
}
#else
ssize_t write_text(void* cookie, const char* text, size_t length) {
    static_cast<debug_capture*>(cookie)->add(text, length);
    return static_cast<ssize_t>(length);
}
#endif
} // namespace

debug_capture::~debug_capture() {
    while (depth_ > 0) end();
#ifndef _WIN32
    if (stream_) std::fclose(stream_);
#endif
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
#ifdef _WIN32
    install_handler();
    std::lock_guard<std::mutex> guard(activeLock);
    active = this;
#else
    if (!stream_) {
        stream_ = fopencookie(this, "w", {nullptr, write_text, nullptr, nullptr});
        if (!stream_) return;                      // no memory: the texts stay on stderr
        std::setvbuf(stream_, nullptr, _IONBF, 0); // one write per text
    }
    saved_ = stderr;
    stderr = stream_; // glibc's stderr is a variable that may be set
#endif
}

void debug_capture::end() {
    if (depth_ == 0 || --depth_ > 0) return;
    debug_capture* self = this;
    begunCapture.compare_exchange_strong(self, nullptr);
#ifdef _WIN32
    std::lock_guard<std::mutex> guard(activeLock);
    if (active == this) active = nullptr;
#else
    if (!saved_) return;
    stderr = saved_;
    saved_ = nullptr;
#endif
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
