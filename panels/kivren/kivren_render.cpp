// Status rendering: each device report becomes at most two property updates
// on panel "1", looked up in the panel's tables; no state is kept.
#include "kivren.h"

namespace {
const quon_string& panelName() {
    static const quon_string name(1);
    return name;
}
} // namespace

int kivren::revertiveCallback(revertiveEvent* event) {
    const int device = event->device();
    if (device == routerDevice) {
        renderRouter(*event);
    } else if (device == gpiDevice && event->index() <= 16) {
        renderGpi(*event);
    } else if (device == infoDevice) {
        renderInfo(*event);
    }
    return 0;
}

void kivren::renderRouter(const revertiveEvent& event) {
    // The destination is passed on as it comes; a source number outside the
    // picture table has no picture, so such a report is dropped rather than
    // read past the table.
    const int source = event.state();
    if (source < 0 || source >= tableSize) return;
    textPut("pixmap", sourcePicture[source], panelName(), "Mon_" + quon_string(event.index()));
}

void kivren::renderGpi(const revertiveEvent& event) {
    const int index = event.index();
    int entry = 0;
    if (event.state() != 0) {
        // A lit lamp takes its own colours; a negative lamp number has none.
        if (index < 0) return;
        entry = index;
    }
    const quon_string control = quon_string("GPI_%1").arg(index);
    textPut("colour.background", gpiBackgroundColour[entry], panelName(), control);
    textPut("colour.text", gpiTextColour[entry], panelName(), control);
}

void kivren::renderInfo(const revertiveEvent& event) {
    const int slot = event.index();
    if (slot >= 1 && slot <= 12) {
        textPut("text", event.text(), panelName(), quon_string("UMD_%1").arg(slot));
    } else if (slot >= 21 && slot <= 32) {
        renderTally(slot - 20, event.text());
    }
}

void kivren::renderTally(int display, const quon_string& stateText) {
    // Bit 0 lights the left tally, bit 1 the right. A text that is not a
    // number is not a state: it must not read as 0 and put both tallies out.
    bool ok = false;
    const int state = stateText.toInt(&ok);
    if (!ok || state < 0 || state > 3) return;
    textPut("colour.background", (state & 1) ? tallyOnColour : tallyOffColour, panelName(),
            quon_string("UMDL_%1").arg(display));
    textPut("colour.background", (state & 2) ? tallyOnColour : tallyOffColour, panelName(),
            quon_string("UMDR_%1").arg(display));
}
