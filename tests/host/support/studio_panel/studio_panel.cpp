// Two panels of a studio on router 3. Both register for destination 9
// only, poll it as they start and show what they are told (Dst_9 on relay,
// Mon_9 on watch). The relay (STUDIO_PANEL_RELAY) has a Take button that
// routes source 5 to destination 9 with the host's own command "XR 3 9 5",
// which a devices file declares: the router's report must reach both. A
// third (STUDIO_PANEL_CRASH) watches as well and aborts when its Crash
// button is pressed, or when it is told of source 13, which must leave the
// other two running. Two more
// (STUDIO_PANEL_ECHO=1 and =0) answer every odd, or every even, source
// routed to destination 9 by routing the next one: together they never stop.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <cstdlib>

namespace {

const int router = 3, destination = 9;
#ifdef STUDIO_PANEL_RELAY
const char* const shown = "Dst_9";
#else
const char* const shown = "Mon_9";
#endif

class studio_panel final : public quon_script_helper {
public:
    studio_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "studio.ui", quon_string());
#ifdef STUDIO_PANEL_RELAY
        textPut("text", "Take", "1", "Take");
#endif
#ifdef STUDIO_PANEL_CRASH
        textPut("text", "Crash", "1", "Crash");
#endif
        routerRegister(router, destination, destination, false);
        routerPoll(router, destination, destination);
    }
    ~studio_panel() override { routerUnregister(router); }

protected:
    int revertiveCallback(revertiveEvent* e) override {
        if (e->device() == router && e->index() == destination)
            textPut("text", quon_string("SRC ") + quon_string(e->state()), "1", shown);
#ifdef STUDIO_PANEL_CRASH
        if (e->device() == router && e->index() == destination && e->state() == 13) std::abort();
#endif
#ifdef STUDIO_PANEL_ECHO
        if (e->device() == router && e->index() == destination && e->state() % 2 == STUDIO_PANEL_ECHO)
            hostCommand(quon_string("XR 3 9 ") + quon_string(e->state() % 16 + 1));
#endif
        return 0;
    }

    void buttonCallback(buttonEvent* e) override {
#if defined(STUDIO_PANEL_RELAY)
        if (e->event() == "press" && e->id() == "Take") hostCommand("XR 3 9 5");
#elif defined(STUDIO_PANEL_CRASH)
        if (e->event() == "press" && e->id() == "Crash") std::abort();
#else
        (void)e;
#endif
    }

    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
};

} // namespace

QUON_SCRIPT_FACTORY(studio_panel)
