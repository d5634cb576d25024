// The router control's buttons, its routing command and the router's reports.
#include "router_control.h"

#include <cstdio>

namespace {
const char panelName[] = "1";
const char panelFile[] = "router_control.quon_ui";
const char destinationPrefix[] = "Dst_";
const char sourcePrefix[] = "Src_";
const char idle[] = "#5a626e";
const char pickedColour[] = "#e0a000"; // the picked destination
const char tallyColour[] = "#e00000";  // its current source
const char white[] = "#ffffff";

// The number of a control "PREFIXn" with n from 1 to last, else 0: the page,
// or a host that makes ids up, may send any id ("Dst_07", "Src_+1", "Dst_").
int controlNumber(const quon_string& id, const char* prefix, int last) {
    const char* text = id.c_str();
    for (; *prefix; ++prefix, ++text)
        if (*text != *prefix) return 0;
    if (*text < '1' || *text > '9') return 0;
    int number = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return 0;
        number = number * 10 + (*text - '0');
        if (number > last) return 0;
    }
    return number;
}
} // namespace

router_control::router_control(quon_client_callback* hostLink, const char* path)
    : quon_script_helper(hostLink, path), picked_(0), tallied_(0) {
    panelShow(quon_string(panelName), panelFile, quon_string());
    for (int destination = 1; destination <= destinationCount; ++destination) {
        current_[destination] = -1;
        textPut("text", quon_string("DST %1").arg(destination), panelName, destinationPrefix, destination);
        textPut("colour.text", white, panelName, destinationPrefix, destination);
        textPut("colour.background", idle, panelName, destinationPrefix, destination);
    }
    current_[0] = -1;
    for (int source = 1; source <= sourceCount; ++source) {
        textPut("text", quon_string("SRC %1").arg(source), panelName, sourcePrefix, source);
        textPut("colour.text", white, panelName, sourcePrefix, source);
        textPut("colour.background", idle, panelName, sourcePrefix, source);
    }
    // The reports of the poll give every button its route.
    routerRegister(router, 1, destinationCount, false);
    routerPoll(router, 1, destinationCount);
}

router_control::~router_control() { routerUnregister(router); }

void router_control::buttonCallback(buttonEvent* event) {
    if (!(event->event() == "press")) return;
    const quon_string id = event->id();
    if (const int destination = controlNumber(id, destinationPrefix, destinationCount)) {
        pick(destination);
    } else if (const int source = controlNumber(id, sourcePrefix, sourceCount)) {
        take(source);
    }
}

void router_control::pick(int destination) {
    if (destination == picked_) return;
    if (picked_) textPut("colour.background", idle, panelName, destinationPrefix, picked_);
    picked_ = destination;
    textPut("colour.background", pickedColour, panelName, destinationPrefix, picked_);
    showTally(current_[picked_]);
}

void router_control::take(int source) {
    if (!picked_) {
        debug(quon_string("pick a destination first"));
        return;
    }
    // The host's own command; the route shows when the router reports it.
    char command[48];
    std::snprintf(command, sizeof command, "XR %d %d %d", router, picked_, source);
    hostCommand(command); // no reply is read
    debug(quon_string("route source %1 to destination %2"), quon_string(source), quon_string(picked_));
}

int router_control::revertiveCallback(revertiveEvent* event) {
    const int destination = event->index();
    if (event->device() == router && destination >= 1 && destination <= destinationCount)
        routed(destination, event->state());
    return 0;
}

void router_control::routed(int destination, int source) {
    if (current_[destination] == source) return; // a poll repeats what is known
    current_[destination] = source;
    const quon_string label = source == 0 ? quon_string("DST %1 = park").arg(destination)
                                          : quon_string("DST %1 = SRC %2").arg(destination).arg(source);
    textPut("text", label, panelName, destinationPrefix, destination);
    if (destination == picked_) showTally(source);
}

void router_control::showTally(int source) {
    if (source < 1 || source > sourceCount) source = 0; // parked, unknown or beyond the buttons
    if (source == tallied_) return;
    if (tallied_) textPut("colour.background", idle, panelName, sourcePrefix, tallied_);
    tallied_ = source;
    if (tallied_) textPut("colour.background", tallyColour, panelName, sourcePrefix, tallied_);
}

// "return=picked" (or "return=all") answers "picked=N", 0 while none is.
quon_string router_control::propertyCallback(propertyEvent* event) {
    if (!(event->command() == "return")) return quon_string();
    const quon_string what = event->value();
    if (!(what == "picked") && !(what == "all")) return quon_string();
    return quon_string("picked=%1").arg(picked_);
}

// The panel starts no timers: whatever tick arrives ends its own timer.
int router_control::timerCallback(int id) {
    timerStop(id);
    return 0;
}
