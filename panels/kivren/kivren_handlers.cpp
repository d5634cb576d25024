// Property messages, control events and timer ticks.
#include "kivren.h"

namespace {
// The lists the panel answers with hold one item each, and a list of one item
// joins (with the line-feed separator) to that item's text alone. So the item
// is the answer, and no list is built for it on the heap.
quon_string oneItemList(const quon_string& item) { return item; }
} // namespace

quon_string kivren::propertyCallback(propertyEvent* event) {
    const quon_string command = event->command();
    const quon_string value = event->value();
    if (command == "return") {
        if (value == "all") return oneItemList(quon_string("myParam=%1").arg(myParam));
        if (value == "myParam") return quon_string("%1=%2").arg(value).arg(myParam);
        return quon_string();
    }
    if (command == "instance") {
        if (instance != value) instance = value;
        return quon_string();
    }
    if (command == "myParam") {
        myParam = value;
        return quon_string();
    }
    if (command == "_events") return oneItemList("notify=*");
    if (command == "_commands") return oneItemList("myParam=[value]");
    return quon_string();
}

// The page's controls trigger nothing in this panel.
void kivren::buttonCallback(buttonEvent*) {}

// The panel starts no timers: whatever tick arrives ends its own timer.
int kivren::timerCallback(int id) {
    timerStop(id);
    return 0;
}
