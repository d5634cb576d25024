// A panel that ends its host's process or calls its host after it signed
// off, each in a variant of its own: panel_host must report either as the
// panel's fault, never as a passing run.
//   ENDING_PANEL_EXIT_IN_CONSTRUCTOR  exit(0) while the factory runs
//   ENDING_PANEL_EXIT_ON_PRESS        _exit(0) when Press_1 is pressed
//   ENDING_PANEL_EXIT_IN_DESTRUCTOR   exit(0) while it is destroyed
//   ENDING_PANEL_LATE_THREAD          a thread of its own sends a command
//                                     after the framework's destructor sent
//                                     "AS"; it is joined before the host
//                                     gets control back, so the order is
//                                     certain without waiting on a clock
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <cstdlib>
#include <stdlib.h> // _exit, on Windows too
#include <thread>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// The host of the panel being destroyed on this thread: validate destroys
// panels on several threads at once, each with a host of its own.
thread_local quon_client_callback* dyingHost = nullptr;

class ending_panel final : public quon_script_helper {
public:
    ending_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "ending.ui", quon_string());
        textPut("text", "Press 1", "1", "Press_1");
#ifdef ENDING_PANEL_EXIT_IN_CONSTRUCTOR
        std::exit(0);
#endif
    }
    ~ending_panel() override {
        dyingHost = host;
#ifdef ENDING_PANEL_EXIT_IN_DESTRUCTOR
        std::exit(0);
#endif
    }

#ifdef ENDING_PANEL_LATE_THREAD
    // Runs after every destructor, the framework's "AS" included.
    static void operator delete(void* p) {
        ::operator delete(p);
        quon_client_callback* to = dyingHost;
        if (!to) return;
        std::thread([to] {
            char late[] = "TP 'text=late' '1' 'Press_1'";
            to->callback(late, quon_kind_command);
        }).join();
    }
#endif

protected:
    int revertiveCallback(revertiveEvent*) override { return 0; }
    void buttonCallback(buttonEvent* e) override {
        if (!(e->id() == "Press_1") || !(e->event() == "press")) return;
        debug(quon_string("press 1 pressed"));
#ifdef ENDING_PANEL_EXIT_ON_PRESS
        _exit(0);
#endif
        textPut("text", "pressed", "1", "Press_1");
    }
    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
};

} // namespace

QUON_SCRIPT_FACTORY(ending_panel)
