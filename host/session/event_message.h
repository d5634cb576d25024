// event_message: a control's event text ("press", "value=3", "a.b=c") split
// into the button record's paramMessage by this host's own code, written from
// the record layout in quon_param_message.h: the name up to the first "." or
// "=", up to 32 sub-names after each ".", the value after the first "=". The
// emulator shares no parsing code with scripts, so a fault in a script's own
// splitter shows up against it.
#ifndef HOST_SESSION_EVENT_MESSAGE_H
#define HOST_SESSION_EVENT_MESSAGE_H

#include "quon_param_message.h"

#include <string>
#include <vector>

namespace quon::host {

class event_message {
public:
    explicit event_message(const std::string& text);
    event_message(const event_message&) = delete;
    event_message& operator=(const event_message&) = delete;

    // Valid while this object lives; the script only reads it.
    paramMessage* get() { return &message_; }

private:
    std::vector<char> buffer_;
    paramMessage message_;
};

} // namespace quon::host

#endif
