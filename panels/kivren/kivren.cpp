// The panel's model, start-up and shut-down.
#include "kivren.h"

#include <cstddef>

namespace {
// Lamp colours: entry 0 for a lamp that is off, entry n for lamp n when on.
// Every colour is "#rrggbb": its length is known, so filling the tables
// measures nothing.
constexpr const char* backgroundColours[kivren::tableSize] = {
    "#000000", "#ff0000", "#00ff00", "#2020ff", "#c0c000", "#cb54c9", "#ffc783", "#d1d810", "#1fa69d",
    "#ffffdc", "#ffaaff", "#aaffbc", "#3a30ff", "#ffff7f", "#ffffdc", "#ffffdc", "#e6e9ff",
};
constexpr const char* textColours[kivren::tableSize] = {
    "#ffffff", "#ffffff", "#000000", "#ffffff", "#ffffff", "#ffffff", "#000000", "#000000", "#ffffff",
    "#000000", "#000000", "#000000", "#ffffff", "#000000", "#000000", "#000000", "#000000",
};
constexpr std::size_t colourLength = 7;

constexpr bool allOfLength(const char* const (&texts)[kivren::tableSize], std::size_t length) {
    for (const char* text : texts) {
        std::size_t n = 0;
        while (text[n] != '\0') ++n;
        if (n != length) return false;
    }
    return true;
}
static_assert(allOfLength(backgroundColours, colourLength) && allOfLength(textColours, colourLength),
              "every lamp colour is #rrggbb");

const char* const parkedPicture = "chanimg/parked.jpg";
const char* const panelFile = "panel1024.quon_ui";
const int sourceNameSelector = 6; // the host's selector for a source's picture file
const int lastSource = 16;
const int lastDestination = 16;
const int lastGpi = 16;
const int lastInfoSlot = 40;
} // namespace

kivren::kivren(quon_client_callback* hostLink, const char* path)
    : quon_script_helper(hostLink, path), routerDevice(3), gpiDevice(1), infoDevice(2), tallyOffColour("#000000"),
      tallyOnColour("#E00000") {
    // One name per source, each reply handed back before the next request;
    // a null reply leaves that entry empty.
    for (int source = 1; source <= lastSource; ++source)
        routerName(routerDevice, sourceNameSelector, source, sourcePicture[source]);
    sourcePicture[0] = parkedPicture;
    debug(sourcePicture[1]);

    for (int i = 0; i < tableSize; ++i) {
        gpiBackgroundColour[i].assign(backgroundColours[i], colourLength);
        gpiTextColour[i].assign(textColours[i], colourLength);
    }

    // The tables are complete before the page is shown and the first report
    // can arrive.
    panelShow("1", panelFile, quon_string());

    routerRegister(routerDevice, 1, lastDestination, false);
    gpiRegister(gpiDevice, 1, lastGpi, false);
    infoRegister(infoDevice, 1, lastInfoSlot, false);
    routerPoll(routerDevice, 1, lastDestination);
    gpiPoll(gpiDevice, 1, lastGpi);
    infoPoll(infoDevice, 1, lastInfoSlot);
}

kivren::~kivren() {
    // The base destructor sends "AS" after these.
    routerUnregister(routerDevice);
    gpiUnregister(gpiDevice);
    infoUnregister(infoDevice);
}
