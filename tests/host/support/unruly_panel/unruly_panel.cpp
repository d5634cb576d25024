// The test panel's buttons with one misbehaviour each, built in variants, for
// serve to stay bounded and truthful whatever a panel does:
// UNRULY_SPAWN_ON_PRESS starts processes on Press_1 that hold its process's
// pipes (one in its process group, one that leaves it); UNRULY_FLOOD_ERRORS
// writes 256 MiB on standard error from a thread of its own while no action
// runs; UNRULY_BLOCK_IN_DESTRUCTOR never returns from its destructor;
// UNRULY_CRASH_ON_LOAD aborts as the library is loaded; UNRULY_FORK_ON_PRESS
// forks twice on Press_1: one child writes its id to the file
// $UNRULY_PID_FILE names and sleeps, the other returns into its host.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

#ifdef UNRULY_FORK_ON_PRESS
#include <fstream>
#endif

namespace {

#ifdef UNRULY_CRASH_ON_LOAD
[[maybe_unused]] const int crashAtLoad = (std::abort(), 0);
#endif

class unruly_panel final : public quon_script_helper {
public:
    unruly_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "studio.ui", quon_string());
        textPut("text", "Press 1", "1", "Press_1");
#ifdef UNRULY_FLOOD_ERRORS
        std::thread([] {
            const std::string block(1 << 20, 'e');
            for (int n = 0; n < 256; ++n)
                if (write(2, block.data(), block.size()) < 0) return;
            const char last[] = "\nthe flood's end\n";
            if (write(2, last, sizeof last - 1) < 0) return;
        }).detach();
#endif
    }
    ~unruly_panel() override {
#ifdef UNRULY_BLOCK_IN_DESTRUCTOR
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
#endif
    }

protected:
    int revertiveCallback(revertiveEvent*) override { return 0; }

    void buttonCallback(buttonEvent* e) override {
        if (!(e->id() == "Press_1") || !(e->event() == "press")) return;
#ifdef UNRULY_SPAWN_ON_PRESS
        if (std::system("sleep 30 & setsid sleep 31 &") != 0) debug(quon_string("could not start"));
#endif
#ifdef UNRULY_FORK_ON_PRESS
        if (fork() == 0) {
            if (const char* file = std::getenv("UNRULY_PID_FILE")) std::ofstream(file) << getpid() << "\n";
            std::this_thread::sleep_for(std::chrono::seconds(60));
            _exit(0);
        }
        fork(); // both return
#endif
        textPut("text", "pressed", "1", "Press_1");
    }

    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
};

} // namespace

QUON_SCRIPT_FACTORY(unruly_panel)
