// router_control: buttons for the destinations and sources of router 3 on
// panel "1". The operator picks a destination, then a source: the panel
// routes it with this studio host's own command "XR ROUTER DESTINATION
// SOURCE" (sent with hostCommand) and changes nothing itself. It registers
// for the router's destinations, so the route comes back as the router's
// report, whoever made it (this panel, another script, the host): each
// destination button shows its current source, and the current source of the
// picked destination is lit (its tally).
#ifndef ROUTER_CONTROL_H
#define ROUTER_CONTROL_H

#include "quon_script_helper.h"

class router_control : public quon_script_helper {
public:
    static constexpr int router = 3;
    static constexpr int destinationCount = 16;
    static constexpr int sourceCount = 20;

    router_control(quon_client_callback* hostLink, const char* path);
    ~router_control() override;

protected:
    void buttonCallback(buttonEvent* event) override;
    int revertiveCallback(revertiveEvent* event) override;
    quon_string propertyCallback(propertyEvent* event) override;
    int timerCallback(int id) override;

private:
    void pick(int destination);
    void take(int source);
    void routed(int destination, int source);
    // The lit source follows the picked destination's current source.
    void showTally(int source);

    int picked_;                        // the picked destination, 0 for none
    int tallied_;                       // the source lit now, 0 for none
    int current_[destinationCount + 1]; // each destination's source as reported; -1 not known yet
};

#endif
