// A panel for soak's tests: it registers for every device of soak.devices
// and shows a button, and in one variant misbehaves as only a long run
// shows: SOAK_LEAK_GPI keeps 48 bytes per GPI change, SOAK_LEAK_TIMER opens a
// descriptor per tick of timer 1 and never closes it, SOAK_SLOW_PRESS walks
// every earlier press on each press. Without a variant it is sound.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <cstdlib>
#include <fcntl.h>
#include <vector>

namespace {

void* volatile kept; // the leaked blocks are reachable only by their count
volatile long walked;

class soak_panel final : public quon_script_helper {
public:
    soak_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "soak.ui", quon_string());
        textPut("text", "Take", "1", "Take");
        routerRegister(1, 1, 4, false);
        gpiRegister(2, 1, 4, false);
        infoRegister(3, 1, 2, false);
    }
    ~soak_panel() override {
        routerUnregister(1);
        gpiUnregister(2);
        infoUnregister(3);
    }

protected:
    int revertiveCallback(revertiveEvent* e) override {
#ifdef SOAK_LEAK_GPI
        if (e->device() == 2) kept = std::malloc(48);
#endif
        textPut("text", e->text(), "1", "Last");
        return 0;
    }

    void buttonCallback(buttonEvent* e) override {
        if (!(e->event() == "press")) return;
#ifdef SOAK_SLOW_PRESS
        presses.push_back(static_cast<int>(presses.size()));
        for (int p : presses) walked = walked + p;
#endif
    }

    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }

    int timerCallback(int id) override {
#ifdef SOAK_LEAK_TIMER
        if (id == 1) walked = open("/dev/null", O_RDONLY);
#endif
        textPut("text", quon_string(id), "1", "Tick");
        return 0;
    }

private:
    std::vector<int> presses;
};

} // namespace

QUON_SCRIPT_FACTORY(soak_panel)
