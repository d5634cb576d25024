// quon_revertive_record: a device's status report as the host passes it with
// kind 1. The layout is fixed by the host: 32-bit little-endian integers and a
// NUL-terminated text inline at offset 16 of whatever length the host gives.
// The host owns the record; it is valid only during the callback() call.
#ifndef QUON_REVERTIVE_RECORD_H
#define QUON_REVERTIVE_RECORD_H

#include <cstddef>
#include <cstdint>

struct quon_revertive_record {
    std::int32_t device;   // the reporting device
    std::int32_t reserved; // not read by the script
    std::int32_t index;    // destination, GPI or slot number
    std::int32_t state;    // router: source routed; GPI: 0 off, other on
    char text[1];          // state as text; really as long as the host made it
};

static_assert(offsetof(quon_revertive_record, device) == 0, "record layout");
static_assert(offsetof(quon_revertive_record, index) == 8, "record layout");
static_assert(offsetof(quon_revertive_record, state) == 12, "record layout");
static_assert(offsetof(quon_revertive_record, text) == 16, "record layout");

#endif
