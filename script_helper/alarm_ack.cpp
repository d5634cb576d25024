// Alarm acknowledgement: one button acts on every alarm control of panel "1".
#include "quon_script_helper.h"

namespace {
const int noMode = -1;
const int ackMode = 4;

// A control left alone by an acknowledgement: 0, 2, 3, 4 or 5.
bool keepsValue(int value) { return value == 0 || (value >= 2 && value <= 5); }
} // namespace

void quon_script_helper::ackAlarms(const quon_string& argument) {
    int mode = noMode;
    if (argument == "ack") {
        mode = ackMode;
    } else if (argument.length() == 1 && argument.c_str()[0] >= '0' && argument.c_str()[0] <= '9') {
        // A digit gives its value. Any other single character gives no mode:
        // a stray press must not set every alarm on the panel.
        mode = argument.c_str()[0] - '0';
    }

    const quon_string panel("1");
    quon_stringlist ids = getIdList(panel, "alm_");
    for (quon_stringlistIterator it = ids.begin(); it != ids.end(); ++it) {
        const quon_string& id = *it;
        textPut("alarm", argument, panel, id);
        if (mode == ackMode) {
            quon_string value;
            textGet("value", panel, id, value);
            // An empty or unreadable value reads as 0: a control whose state
            // could not be read is left alone.
            if (!keepsValue(value.toInt())) textPut("value", quon_string(ackMode), panel, id);
        } else if (mode != noMode) {
            textPut("value", quon_string(mode), panel, id);
        }
    }
}
