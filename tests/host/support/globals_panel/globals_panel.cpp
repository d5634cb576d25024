// A panel whose library's globals show whether the library was loaded
// afresh, as a new process loads it: Count_1 shows how many panels its
// library has created, and once Press_1 is pressed every panel of that
// library never returns from its destructor. A replay of serve's restart
// must start with the count at 1 and must not hang where serve did not.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <chrono>
#include <thread>

namespace {

int created = 0;           // panels this library created
bool neverReturns = false; // set by Press_1, for every panel of this library

class globals_panel final : public quon_script_helper {
public:
    globals_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "globals.ui", quon_string());
        textPut("text", quon_string(++created), "1", "Count_1");
        textPut("text", "Press 1", "1", "Press_1");
    }
    ~globals_panel() override {
        while (neverReturns) std::this_thread::sleep_for(std::chrono::seconds(1));
    }

protected:
    int revertiveCallback(revertiveEvent*) override { return 0; }
    void buttonCallback(buttonEvent* e) override {
        if (!(e->id() == "Press_1") || !(e->event() == "press")) return;
        neverReturns = true;
        textPut("text", "pressed", "1", "Press_1");
    }
    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
};

} // namespace

QUON_SCRIPT_FACTORY(globals_panel)
