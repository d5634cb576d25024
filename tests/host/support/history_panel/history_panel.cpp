// A panel whose fault needs a history: pressing Arm arms it, pressing Fire
// then crashes it (HISTORY_PANEL_FAULT; without it, Fire only shows that it
// fired). Eight other controls (Noise_1..8) answer presses too, so that a
// case saved by validate --save-failures holds much that the cut must drop.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

namespace {

class history_panel final : public quon_script_helper {
public:
    history_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "history.ui", quon_string());
        textPut("text", "Arm", "1", "Arm");
        for (int i = 1; i <= 8; ++i) {
            textPut("text", "quiet", "1", "Noise_" + quon_string(i));
            if (i == 4) textPut("text", "Fire", "1", "Fire"); // pressed after Arm and some noise
        }
    }

protected:
    void buttonCallback(buttonEvent* e) override {
        if (e->event() != "press") return;
        if (e->id() == "Arm") {
            armed_ = true;
            textPut("text", "armed", "1", "Arm");
        } else if (e->id() == "Fire") {
#ifdef HISTORY_PANEL_FAULT
            if (armed_) {
                int* volatile nowhere = nullptr;
                *nowhere = 1; // the fault: only an armed panel crashes
            }
#endif
            textPut("text", armed_ ? "fired" : "not armed", "1", "Fire");
        } else {
            textPut("text", "pressed", "1", e->id());
        }
    }

    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
    int revertiveCallback(revertiveEvent*) override { return 0; }

private:
    bool armed_ = false;
};

} // namespace

QUON_SCRIPT_FACTORY(history_panel)
