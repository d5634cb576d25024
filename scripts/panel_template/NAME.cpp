#include "@NAME@.h"

namespace {
const int routerDevice = 3;
const int firstDestination = 1;
const int lastDestination = 4;
const char panel[] = "1";
} // namespace

@NAME@::@NAME@(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
    panelShow(panel, "@NAME@.quon_ui", "");
    routerRegister(routerDevice, firstDestination, lastDestination, false);
    // The reports of the poll arrive after the constructor has returned.
    routerPoll(routerDevice, firstDestination, lastDestination);
}

@NAME@::~@NAME@() { routerUnregister(routerDevice); }

// A press of the Take button writes into the Status control; a press carries
// the event name "press" and an empty value, "name=value" events carry both.
void @NAME@::buttonCallback(buttonEvent* event) {
    if (event->panel() == panel && event->id() == "Take" && event->event() == "press")
        textPut("text", "taken", panel, "Status");
}

// A router report: destination index() now carries source state().
int @NAME@::revertiveCallback(revertiveEvent* event) {
    if (event->device() == routerDevice && event->index() >= firstDestination && event->index() <= lastDestination)
        textPut("text", quon_string("source %1").arg(event->state()), panel, quon_text("Dest_"), event->index());
    return 0; // not read by the framework
}

// The property protocol: "myParam=v" sets, "return=myParam" and "return=all"
// read, "_events" and "_commands" describe the panel. An empty answer
// reaches the host as null.
quon_string @NAME@::propertyCallback(propertyEvent* event) {
    const quon_string command = event->command();
    const quon_string value = event->value();
    if (command == "myParam") {
        myParam = value;
        return quon_string();
    }
    if (command == "return" && (value == "myParam" || value == "all"))
        return quon_string("myParam=%1").arg(myParam);
    if (command == "_events") return "notify=*";
    if (command == "_commands") return "myParam=[value]";
    return quon_string();
}

// This panel starts no timer of its own: whatever ticks is stopped.
int @NAME@::timerCallback(int id) {
    timerStop(id);
    return 0; // not read by the framework
}

// Kinds 6 and 7 carry host records this panel does not read.
void @NAME@::kind6Callback(hookEvent*) {}
void @NAME@::kind7Callback(hookEvent*) {}
