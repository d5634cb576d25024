// quon_button_record: an event from a panel control as the host passes it with
// kind 2. The host owns the record and every text it points to.
#ifndef QUON_BUTTON_RECORD_H
#define QUON_BUTTON_RECORD_H

#include <cstddef>
#include <cstdint>

struct paramMessage;

struct quon_button_record {
    std::int32_t reserved[2]; // not read by the script
    const char* panel;        // panel name
    const char* id;           // control id
    paramMessage* event;      // the control's event, already split by the host
};

#if UINTPTR_MAX == 0xffffffffu
// The host's 32-bit layout.
static_assert(offsetof(quon_button_record, panel) == 8, "record layout");
static_assert(offsetof(quon_button_record, id) == 12, "record layout");
static_assert(offsetof(quon_button_record, event) == 16, "record layout");
static_assert(sizeof(quon_button_record) == 20, "record layout");
#endif

#endif
