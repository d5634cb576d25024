// A panel that misbehaves on request, for the tests of what the host must
// survive. Each button takes its numbers from the event's text, so one
// library serves every size a test needs:
//   Flood_Debug "COUNT BYTES"  writes COUNT debugger texts of BYTES bytes, each
//                              followed by a call to the host (so each is
//                              taken on its own)
//   Flood_Error "BYTES"        writes BYTES bytes with no line end straight to
//                              the process's standard error
//   Sleep "MILLISECONDS"       takes that long to return, then marks itself
//   Exit "STATUS"              ends the process with that exit status
// Any other event (a plain "press") does the same with the defaults below.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

const char* const buttons[] = {"Flood_Debug", "Flood_Error", "Sleep", "Exit"};

// The event's numbers; `fallback` where it has none.
unsigned long number(const char* text, int which, unsigned long fallback) {
    char* end = nullptr;
    unsigned long value = fallback;
    for (int i = 0; i <= which; ++i) {
        value = std::strtoul(text, &end, 10);
        if (end == text) return fallback;
        text = end;
    }
    return value;
}

void write_error(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
#ifdef _WIN32
        DWORD n = 0;
        if (!WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n,
                       nullptr))
            return;
#else
        const ssize_t n = write(2, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
#endif
        done += static_cast<std::size_t>(n);
    }
}

class misbehaving_panel final : public quon_script_helper {
public:
    misbehaving_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "misbehaving.ui", quon_string());
        for (const char* id : buttons) textPut("text", id, "1", id);
    }

protected:
    void buttonCallback(buttonEvent* e) override {
        const quon_string id = e->id(), event = e->event();
        if (id == "Flood_Debug") {
            const std::string text(number(event, 1, 1000), 'd');
            for (unsigned long n = number(event, 0, 10); n > 0; --n) {
                debug(quon_string(text.c_str(), text.size()));
                textPut("text", quon_string(static_cast<int>(n % 1000)), "1", "Flood_Debug");
            }
        } else if (id == "Flood_Error") {
            // In pieces, so the panel itself holds little.
            const std::string piece(1 << 20, 'e');
            for (unsigned long left = number(event, 0, 1000); left > 0;) {
                const unsigned long n = left < piece.size() ? left : piece.size();
                write_error(piece.substr(0, n));
                left -= n;
            }
        } else if (id == "Sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(number(event, 0, 1000)));
            textPut("text", "slept", "1", "Sleep");
        } else if (id == "Exit") {
            std::exit(static_cast<int>(number(event, 0, 0)));
        }
    }
    int revertiveCallback(revertiveEvent*) override { return 0; }
    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
};

} // namespace

QUON_SCRIPT_FACTORY(misbehaving_panel)
