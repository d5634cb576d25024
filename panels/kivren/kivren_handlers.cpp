// Property messages, control events and timer ticks.
#include "kivren.h"

namespace {
// Both "return" queries the panel answers give one text: "all" answers a list
// of the one item "myParam=%1", which joins to that item alone, and "myParam"
// answers "%1=%2" with the value "myParam". It is built in one go.
quon_string myParamAnswer(const quon_string& myParam) {
    quon_string answer;
    answer.assign("myParam=", 8);
    answer.append(myParam.c_str(), myParam.length());
    return answer;
}
} // namespace

quon_string kivren::propertyCallback(propertyEvent* event) {
    // The name and value are compared where the parsed message holds them;
    // only a value the panel keeps is copied, once, into its property.
    const quon_text command = event->commandText();
    const quon_text value = event->valueText();
    if (command == "return") {
        if (value == "all" || value == "myParam") return myParamAnswer(myParam);
        return quon_string();
    }
    if (command == "instance") {
        if (!(value == instance)) instance.assign(value.data, value.length);
        return quon_string();
    }
    if (command == "myParam") {
        myParam.assign(value.data, value.length);
        return quon_string();
    }
    if (command == "_events") return quon_string("notify=*");
    if (command == "_commands") return quon_string("myParam=[value]");
    return quon_string();
}

// The page's controls trigger nothing in this panel.
void kivren::buttonCallback(buttonEvent*) {}

// The panel starts no timers: whatever tick arrives ends its own timer.
int kivren::timerCallback(int id) {
    timerStop(id);
    return 0;
}
