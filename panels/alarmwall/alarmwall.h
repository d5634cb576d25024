// alarmwall: a wall of twelve alarm controls on panel "1", each following one
// input of the alarm contacts' GPI device: raised, the control turns red and
// the sounder goes on; cleared, it turns green. The operator acknowledges them
// all with the framework's alarm acknowledgement (alarmHandling is on, so
// "AckAll" and "ActionAll" go there), and silences the sounder, a GPI output
// this studio's host switches with a command of its own ("GO", sent with
// hostCommand). A clock counts the time since the page opened on the ticks
// of timer 1, which the page starts; on each tick the wall also catches up
// with acknowledgements, which change the controls' "value" on the page.
#ifndef ALARMWALL_H
#define ALARMWALL_H

#include "quon_script_helper.h"

class alarmwall : public quon_script_helper {
public:
    static constexpr int alarmCount = 12;
    static constexpr int clockTimer = 1;

    alarmwall(quon_client_callback* hostLink, const char* path);
    ~alarmwall() override;

protected:
    void buttonCallback(buttonEvent* event) override;
    int revertiveCallback(revertiveEvent* event) override;
    quon_string propertyCallback(propertyEvent* event) override;
    int timerCallback(int id) override;

private:
    void alarmChanged(int alarm, bool raised);
    void sounderChanged(bool on);
    // Colour and label of an alarm control for its "value".
    void show(int alarm, int value);
    // This studio's own host command: switches a GPI output.
    void gpiOutput(int device, int output, bool on);

    int alarmDevice;   // GPI device whose inputs 1..alarmCount are the alarm contacts
    int sounderDevice; // GPI device whose input 1 reports the sounder's relay
    int shown[alarmCount + 1];
    bool raised[alarmCount + 1];
    bool sounderOn;
    int seconds;
};

#endif
