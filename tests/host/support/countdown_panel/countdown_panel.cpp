// A countdown whose crash hides behind a value: "seconds=N" sets the count,
// Start and Stop (controls of the page file it never writes to) run it, and
// a Stop while the count is 7 aborts. Its scenario
// plays seconds=5; validate must find the crash from the names the
// scenario (or the hints file beside it) gives, not by guessing blind.
#include "quon_script_factory.h"
#include "quon_script_helper.h"

#include <cstdlib>

namespace {

class countdown_panel final : public quon_script_helper {
public:
    countdown_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow(quon_string(1), "countdown.ui", quon_string());
    }

protected:
    quon_string propertyCallback(propertyEvent* e) override {
        if (e->command() == "seconds") {
            bool ok = false;
            const int n = e->value().toInt(&ok);
            if (ok) seconds_ = n;
            textPut("text", quon_string(seconds_), "1", "Time");
        }
        return quon_string();
    }

    void buttonCallback(buttonEvent* e) override {
        if (!(e->event() == "press")) return;
        if (e->id() == "Start") textPut("text", "RUNNING", "1", "State");
        if (e->id() == "Stop") {
            if (seconds_ == 7) std::abort(); // reported alike natively, under the sanitizers and on Windows
            textPut("text", "STOPPED", "1", "State");
        }
    }

    int revertiveCallback(revertiveEvent*) override { return 0; }
    int timerCallback(int) override { return 0; }
    void kind6Callback(hookEvent*) override {}
    void kind7Callback(hookEvent*) override {}

private:
    int seconds_ = 0;
};

} // namespace

QUON_SCRIPT_FACTORY(countdown_panel)
