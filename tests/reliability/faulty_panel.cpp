// A panel library that breaks what a script owes its host, for checking that
// the validator notices. Built twice: FAULTY_PROTOCOL sends a command of an
// unknown code and keeps a reply it must hand back; FAULTY_CRASH reads
// through a null pointer on one kind of status report.
#include "quon_export.h"
#include "quon_script_helper.h"

namespace {

class faulty_panel final : public quon_script_helper {
public:
    using quon_script_helper::quon_script_helper;

protected:
    void buttonCallback(buttonEvent*) override {}
    int revertiveCallback(revertiveEvent* event) override {
#ifdef FAULTY_CRASH
        if (event->device() == 5) {
            volatile int* nowhere = nullptr;
            return *nowhere;
        }
#endif
        (void)event;
        return 0;
    }
    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override {
#ifdef FAULTY_PROTOCOL
        hostCommand("ZZ 1");
        hostCommand("TG '1' 'alm_1' 'value'"); // the reply is never handed back
#endif
        return 0;
    }
};

} // namespace

quon_client_callback* load_quon_client_script(quon_client_callback* host, const char* path) {
    return new faulty_panel(host, path);
}
