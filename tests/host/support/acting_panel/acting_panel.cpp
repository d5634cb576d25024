// A panel that acts on its host with a command of the host's own, which the
// framework does not know: pressing Take sends "XQ 4 9 5" (route source 5 to
// destination 9 of router 4) through hostCommand, and the router's report
// shows on Dst_9. Clock counts the ticks of timer 3, which the host starts.
// One button per other declared effect: Lamp switches GPI 5 input 2 (its
// report shows on Lamp), Write sets info 6 slot 1 (shown on Note), Beat
// starts timer 7 every 250 ms (Beats counts its ticks), Still stops it, Ack
// sends a command the host only accepts.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

namespace {

const int router = 4, destination = 9, clockTimer = 3, gpi = 5, lamp = 2, info = 6, note = 1, beatTimer = 7;

struct press {
    const char* control;
    const char* command;
};
const press presses[] = {{"Take", "XQ 4 9 5"}, {"Lamp", "XG 5 2 1"}, {"Write", "XW 6 1 'hello'"},
                         {"Beat", "XT 7 250"}, {"Still", "XS 7"},    {"Ack", "XA any 1 'fields'"}};

class acting_panel final : public quon_script_helper {
public:
    acting_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "acting.ui", quon_string());
        textPut("text", "Take", "1", "Take");
        routerRegister(router, destination, destination, false);
        gpiRegister(gpi, lamp, lamp, false);
        infoRegister(info, note, note, false);
    }
    ~acting_panel() override {
        routerUnregister(router);
        gpiUnregister(gpi);
        infoUnregister(info);
    }

protected:
    int revertiveCallback(revertiveEvent* e) override {
        if (e->device() == router && e->index() == destination)
            textPut("text", quon_string("SRC ") + quon_string(e->state()), "1", "Dst_9");
        if (e->device() == gpi && e->index() == lamp) textPut("text", e->text(), "1", "Lamp");
        if (e->device() == info && e->index() == note) textPut("text", e->text(), "1", "Note");
        return 0;
    }

    void buttonCallback(buttonEvent* e) override {
        if (!(e->event() == "press")) return;
        for (const press& p : presses)
            if (e->id() == p.control) hostCommand(p.command);
    }

    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }

    int timerCallback(int id) override {
        if (id == clockTimer) textPut("text", quon_string(++ticks), "1", "Clock");
        if (id == beatTimer) textPut("text", quon_string(++beats), "1", "Beats");
        return 0;
    }

private:
    int ticks = 0, beats = 0;
};

} // namespace

QUON_SCRIPT_FACTORY(acting_panel)
