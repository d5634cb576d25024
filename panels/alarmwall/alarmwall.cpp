// The alarm wall's model, start-up, shut-down and handlers.
#include "alarmwall.h"

#include <cstdio>

namespace {
const char panelName[] = "1";
const char panelFile[] = "alarmwall.quon_ui";
const char alarmPrefix[] = "alm_"; // the ids the framework's acknowledgement lists
const int sounderOutput = 1;

// The values the framework's acknowledgement reads and writes: 1 raised,
// 4 acknowledged; 0 is this panel's own for a clear alarm.
const int valueClear = 0;
const int valueRaised = 1;
const int valueAcknowledged = 4;
const char red[] = "#e00000";
const char amber[] = "#e0a000";
const char green[] = "#1f7a34";
const char grey[] = "#5a626e";
const char blue[] = "#2b5797"; // the operator's buttons
const char white[] = "#ffffff";
} // namespace

alarmwall::alarmwall(quon_client_callback* hostLink, const char* path)
    : quon_script_helper(hostLink, path), alarmDevice(1), sounderDevice(5), sounderOn(false), seconds(0) {
    alarmHandling = true; // "AckAll" and "ActionAll" go to the framework
    panelShow(quon_string(panelName), panelFile, quon_string());
    // Every alarm control gets its "value" first: the acknowledgement finds
    // the controls that have one.
    for (int alarm = 1; alarm <= alarmCount; ++alarm) {
        raised[alarm] = false;
        textPut("value", "0", panelName, alarmPrefix, alarm);
        textPut("colour.text", white, panelName, alarmPrefix, alarm);
        show(alarm, valueClear);
    }
    raised[0] = false;
    shown[0] = valueClear;
    const char* const buttons[][2] = {{"AckAll", "ACK ALL"}, {"Silence", "SILENCE"}};
    for (const auto& button : buttons) {
        textPut("text", button[1], panelName, button[0]);
        textPut("colour.background", blue, panelName, button[0]);
        textPut("colour.text", white, panelName, button[0]);
    }
    textPut("text", "00:00:00", panelName, "Clock");
    sounderChanged(false);

    gpiRegister(alarmDevice, 1, alarmCount, false);
    gpiRegister(sounderDevice, sounderOutput, sounderOutput, false);
    gpiPoll(alarmDevice, 1, alarmCount);
    gpiPoll(sounderDevice, sounderOutput, sounderOutput);
    debug(quon_string("alarmwall: %1 alarms, clock on timer %2").arg(alarmCount).arg(clockTimer));
}

alarmwall::~alarmwall() {
    timerStop(clockTimer);
    gpiUnregister(alarmDevice);
    gpiUnregister(sounderDevice);
}

void alarmwall::show(int alarm, int value) {
    shown[alarm] = value;
    const bool clear = value == valueClear, up = value == valueRaised, acknowledged = value == valueAcknowledged;
    const char* colour = clear ? green : up ? red : acknowledged ? amber : grey;
    const char* state = clear ? "ok" : up ? "ALARM" : acknowledged ? "ACK" : "?";
    textPut("colour.background", colour, panelName, alarmPrefix, alarm);
    textPut("text", quon_string("%1 %2").arg(alarm).arg(quon_string(state)), panelName, alarmPrefix, alarm);
}

int alarmwall::revertiveCallback(revertiveEvent* event) {
    const int index = event->index();
    if (event->device() == alarmDevice && index >= 1 && index <= alarmCount) {
        alarmChanged(index, event->state() != 0);
    } else if (event->device() == sounderDevice && index == sounderOutput) {
        sounderChanged(event->state() != 0);
    }
    return 0;
}

void alarmwall::alarmChanged(int alarm, bool isRaised) {
    if (raised[alarm] == isRaised) return; // a poll repeats what is known
    raised[alarm] = isRaised;
    const int value = isRaised ? valueRaised : valueClear;
    textPut("value", quon_string(value), panelName, alarmPrefix, alarm);
    show(alarm, value);
    debug(quon_string(isRaised ? "alarm %1 raised" : "alarm %1 cleared").arg(alarm));
    if (isRaised && !sounderOn) gpiOutput(sounderDevice, sounderOutput, true);
}

void alarmwall::sounderChanged(bool on) {
    sounderOn = on;
    textPut("text", on ? "SOUNDER ON" : "SOUNDER OFF", panelName, "Sounder");
    textPut("colour.background", on ? red : grey, panelName, "Sounder");
}

void alarmwall::gpiOutput(int device, int output, bool on) {
    char command[48];
    std::snprintf(command, sizeof command, "GO %d %d %d", device, output, on ? 1 : 0);
    hostCommand(command); // no reply is read
}

void alarmwall::buttonCallback(buttonEvent* event) {
    if (event->id() == "Silence" && event->event() == "press") {
        gpiOutput(sounderDevice, sounderOutput, false);
        debug(quon_string("sounder silenced"));
    }
}

int alarmwall::timerCallback(int id) {
    if (id != clockTimer) return 0;
    ++seconds;
    const int h = seconds / 3600 % 100, m = seconds / 60 % 60, s = seconds % 60;
    textPut("text", quon_string("%1:%2:%3").arg(h, '0', 2).arg(m, '0', 2).arg(s, '0', 2), panelName, "Clock");
    // Acknowledgements change "value" on the page, not here: read back those
    // of the raised alarms (a clear one shows green whatever its value).
    for (int alarm = 1; alarm <= alarmCount; ++alarm) {
        if (!raised[alarm]) continue;
        quon_string value;
        textGet("value", panelName, quon_string(alarmPrefix) += quon_string(alarm), value);
        bool ok = false;
        const int v = value.toInt(&ok);
        if (ok && v != shown[alarm]) show(alarm, v);
    }
    return 0;
}

// "return=raised" (or "return=all") answers "raised=N", the alarms raised now.
quon_string alarmwall::propertyCallback(propertyEvent* event) {
    if (!(event->command() == "return")) return quon_string();
    const quon_string what = event->value();
    if (!(what == "raised") && !(what == "all")) return quon_string();
    int count = 0;
    for (int alarm = 1; alarm <= alarmCount; ++alarm) count += raised[alarm] ? 1 : 0;
    return quon_string("raised=%1").arg(count);
}
