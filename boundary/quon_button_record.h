// quon_button_record: an event from a panel control as the host passes it with
// kind 2. The host owns the record, every text it points to and the split
// event; all are valid only during the callback() call that carries them.
//
// What a page sends: `panel` is the panel's name ("1"), `id` the control's id
// ("Take", "Mon_5"), and `event` the control's event text split as a property
// message is: a bare event such as "press" or "release" has that name and an
// empty value; "name=value" has both (the value may itself hold "=").
#ifndef QUON_BUTTON_RECORD_H
#define QUON_BUTTON_RECORD_H

#include <cstddef>
#include <cstdint>

#include "quon_param_message.h"

struct quon_button_record {
    std::int32_t reserved[2]; // not read by the script
    const char* panel;        // panel name; may be null
    const char* id;           // control id; may be null
    paramMessage* event;      // the control's event, split by the host; may be null
};

#if UINTPTR_MAX == 0xffffffffu
// The host's 32-bit layout.
static_assert(offsetof(quon_button_record, panel) == 8, "record layout");
static_assert(offsetof(quon_button_record, id) == 12, "record layout");
static_assert(offsetof(quon_button_record, event) == 16, "record layout");
static_assert(sizeof(quon_button_record) == 20, "record layout");
#endif

#endif
