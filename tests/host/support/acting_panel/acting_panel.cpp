// A panel that acts on its host with a command of the host's own, which the
// framework does not know: pressing Take sends "XQ 4 9 5" (route source 5 to
// destination 9 of router 4) through hostCommand, and the router's report
// shows on Dst_9. Clock counts the ticks of timer 3, which the host starts.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

namespace {

const int router = 4, destination = 9, clockTimer = 3;

class acting_panel final : public quon_script_helper {
public:
    acting_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "acting.ui", quon_string());
        textPut("text", "Take", "1", "Take");
        routerRegister(router, destination, destination, false);
    }
    ~acting_panel() override { routerUnregister(router); }

protected:
    int revertiveCallback(revertiveEvent* e) override {
        if (e->device() == router && e->index() == destination)
            textPut("text", quon_string("SRC ") + quon_string(e->state()), "1", "Dst_9");
        return 0;
    }

    void buttonCallback(buttonEvent* e) override {
        if (e->id() == "Take" && e->event() == "press") hostCommand("XQ 4 9 5");
    }

    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }

    int timerCallback(int id) override {
        if (id == clockTimer) textPut("text", quon_string(++ticks), "1", "Clock");
        return 0;
    }

private:
    int ticks = 0;
};

} // namespace

QUON_SCRIPT_FACTORY(acting_panel)
