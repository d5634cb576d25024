// Status rendering: each device report becomes at most two property updates
// on panel "1", looked up in the panel's tables; no state is kept.
#include "kivren.h"

#include <cstring>

// Control ids are a prefix and a decimal number ("GPI_%1" with 7 is "GPI_7");
// textPut writes them straight into the command, as it does the panel name
// "1", so a report builds no strings of its own.
namespace {
const char panelName[] = "1";
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
    textPut("pixmap", sourcePicture[source], panelName, "Mon_", event.index());
}

void kivren::renderGpi(const revertiveEvent& event) {
    const int index = event.index();
    int entry = 0;
    if (event.state() != 0) {
        // A lit lamp takes its own colours; a negative lamp number has none.
        if (index < 0) return;
        entry = index;
    }
    textPut("colour.background", gpiBackgroundColour[entry], panelName, "GPI_", index);
    textPut("colour.text", gpiTextColour[entry], panelName, "GPI_", index);
}

void kivren::renderInfo(const revertiveEvent& event) {
    const int slot = event.index();
    if (slot >= 1 && slot <= 12) {
        // The text goes on as it came, however long, without a copy.
        textPut("text", event.textData(), panelName, "UMD_", slot);
    } else if (slot >= 21 && slot <= 32) {
        renderTally(slot - 20, event.textData());
    }
}

void kivren::renderTally(int display, const char* stateText) {
    // Bit 0 lights the left tally, bit 1 the right. A text that is not a
    // number is not a state: it must not read as 0 and put both tallies out.
    // The string component reads the number in place, without a copy; a
    // state is nearly always one digit, read here without measuring the text.
    int state;
    if (stateText[0] >= '0' && stateText[0] <= '9' && stateText[1] == '\0') {
        state = stateText[0] - '0';
    } else {
        bool ok = false;
        state = quon_string::toInt(stateText, std::strlen(stateText), &ok);
        if (!ok) return;
    }
    if (state < 0 || state > 3) return;
    textPut("colour.background", (state & 1) ? tallyOnColour : tallyOffColour, panelName, "UMDL_", display);
    textPut("colour.background", (state & 2) ? tallyOnColour : tallyOffColour, panelName, "UMDR_", display);
}
