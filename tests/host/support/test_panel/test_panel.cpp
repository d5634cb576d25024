// A small panel that knows nothing of kivren, written on the framework as a
// new panel would be, to show that panel_host serves any panel: four
// destinations of router 7 (Dst_1..4), four lamps on GPI device 5
// (Lamp_1..4), a button Take and a button Press_1. Built in variants:
// TEST_PANEL_CRASH_ON_TAKE crashes when Take is pressed, which validation
// must catch; TEST_PANEL_ABORT_ON_PRESS aborts and TEST_PANEL_HANG_ON_PRESS
// never returns when Press_1 is pressed, which serve must survive.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <cstdlib>

namespace {

const int router = 7, gpi = 5, count = 4;

class test_panel final : public quon_script_helper {
public:
    test_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "studio.ui", quon_string());
        textPut("text", "Take", "1", "Take");
        textPut("colour.background", "#303030", "1", "Take");
        textPut("text", "Press 1", "1", "Press_1");
        routerRegister(router, 1, count, false);
        gpiRegister(gpi, 1, count, false);
        routerPoll(router, 1, count);
        gpiPoll(gpi, 1, count);
        debug(quon_string("test panel up"));
    }
    ~test_panel() override {
        routerUnregister(router);
        gpiUnregister(gpi);
    }

protected:
    int revertiveCallback(revertiveEvent* e) override {
        if (e->index() < 1 || e->index() > count) return 0;
        if (e->device() == router) {
            textPut("text", e->state() == 0 ? quon_string("parked") : quon_string("SRC ") + e->text(), "1",
                    "Dst_" + quon_string(e->index()));
        } else if (e->device() == gpi) {
            const quon_string id = "Lamp_" + quon_string(e->index());
            textPut("colour.background", e->state() ? "#20c020" : "#202020", "1", id);
            textPut("state", e->state() ? "on" : "off", "1", id);
        }
        return 0;
    }

    void buttonCallback(buttonEvent* e) override {
        if (e->id() == "Press_1" && e->event() == "press") {
            debug(quon_string("press 1 pressed"));
#ifdef TEST_PANEL_ABORT_ON_PRESS
            std::abort();
#endif
#ifdef TEST_PANEL_HANG_ON_PRESS
            for (volatile int forever = 1; forever;) {}
#endif
            textPut("text", "pressed", "1", "Press_1");
        }
        if (!(e->id() == "Take")) return;
#ifdef TEST_PANEL_CRASH_ON_TAKE
        if (e->event() == "press") {
            int* volatile nowhere = nullptr;
            *nowhere = 1; // the fault validation must find
        }
#endif
        if (e->event() == "press") {
            textPut("colour.background", "#e00000", "1", "Take");
            debug(quon_string("take pressed"));
        }
    }

    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
};

} // namespace

QUON_SCRIPT_FACTORY(test_panel)
