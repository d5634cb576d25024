// kivren: the matrix panel script. Mirrors a video router (monitor tiles), a
// GPI device (lamps) and an information device (under-monitor displays and
// their tallies) onto panel "1" by sending host commands; the constructor
// fetches the source pictures, shows the page and registers for the devices,
// the destructor unregisters.
#ifndef KIVREN_H
#define KIVREN_H

#include "quon_script_helper.h"

class kivren : public quon_script_helper {
public:
    // Source pictures and lamp colours are indexed by source or lamp number;
    // entry 0 is the parked picture and the colours of a lamp that is off.
    static constexpr int tableSize = 17;

    kivren(quon_client_callback* hostLink, const char* path);
    ~kivren() override;

protected:
    void buttonCallback(buttonEvent* event) override;
    int revertiveCallback(revertiveEvent* event) override;
    quon_string propertyCallback(propertyEvent* event) override;
    int timerCallback(int id) override;

private:
    void renderRouter(const revertiveEvent& event);
    void renderGpi(const revertiveEvent& event);
    void renderInfo(const revertiveEvent& event);
    void renderTally(int display, const char* stateText);

    // Members in the order the panel defines them; destroyed in reverse.
    int routerDevice;
    int gpiDevice;
    int infoDevice;
    quon_string tallyOffColour;
    quon_string tallyOnColour;
    quon_string sourcePicture[tableSize];
    quon_string gpiBackgroundColour[tableSize];
    quon_string gpiTextColour[tableSize];
    quon_string myParam;
    quon_string instance;
};

#endif
