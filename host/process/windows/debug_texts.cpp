// debug_texts on Windows: a vectored exception handler takes the texts of
// OutputDebugStringA/W from their debug-print exceptions.
#include "process/debug_texts.h"

#include <cwchar>
#include <mutex>
#include <string>
#include <windows.h>

namespace quon::host {

namespace {
constexpr DWORD printException = 0x40010006;     // DBG_PRINTEXCEPTION_C: length with NUL, text
constexpr DWORD printWideException = 0x4001000A; // DBG_PRINTEXCEPTION_WIDE_C: the same in UTF-16

// Never destroyed: a panel may write from a thread that outlives main.
std::mutex& activeLock = *new std::mutex;
debug_text_sink activeSink = nullptr;
void* activeTarget = nullptr;

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
    if (!activeSink) return EXCEPTION_CONTINUE_SEARCH;     // not ours: the debugger channel as usual
    const std::size_t length = r->ExceptionInformation[0]; // with the terminating NUL
    if (narrow) {
        const char* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        activeSink(activeTarget, text, strnlen(text, length));
    } else {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]);
        const std::string utf8 = utf8_of(text, wcsnlen(text, length));
        activeSink(activeTarget, utf8.data(), utf8.size());
    }
    return EXCEPTION_CONTINUE_EXECUTION; // as a debugger that took the text
}
} // namespace

void take_debug_texts(debug_text_sink sink, void* target) {
    static const PVOID handler = AddVectoredExceptionHandler(1, on_debug_print);
    (void)handler;
    std::lock_guard<std::mutex> guard(activeLock);
    activeSink = sink;
    activeTarget = target;
}

void release_debug_texts() {
    std::lock_guard<std::mutex> guard(activeLock);
    activeSink = nullptr;
    activeTarget = nullptr;
}

} // namespace quon::host
