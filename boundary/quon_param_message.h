// paramMessage: a "name.sub.sub=value" text split in place into a name, up to
// 32 sub-names and a value. The script splits each property message (kind 3)
// into one; the host passes one, split the same way, as a button event's
// `event` (quon_button_record.h). The field order and, in the 32-bit build,
// the offsets are the host's.
//
// A well-formed message: every text pointer is non-null; pointers the split
// did not set point to an empty text; set ones point into `buffer`, the
// writable copy of the text in which each "." and the first "=" became NUL.
// Only the first "=" splits, so a "." after it belongs to the value. After 32
// sub-names the split stops and the rest, "=" included, stays in sub[31].
//
// Ownership: whoever builds a message owns it and the buffer; the other side
// reads it only during the call that passes it and never frees anything in it.
#ifndef QUON_PARAM_MESSAGE_H
#define QUON_PARAM_MESSAGE_H

#include <cstddef>
#include <cstdint>

// A split message (see the top of this file).
struct paramMessage {
    static constexpr int maxSubs = 32; // the most sub-names a message holds

    const char* name;         // the text up to the first "." or "="
    const char* sub[maxSubs]; // the sub-names, in order
    const char* value;        // the text after the first "="; empty without one
    std::int32_t subCount;    // 0 to 32
    bool hasValue;            // whether there was an "="
    char* buffer;             // the split copy; null for a null or empty text
};

#if UINTPTR_MAX == 0xffffffffu
// The host's 32-bit layout.
static_assert(offsetof(paramMessage, name) == 0, "paramMessage layout");
static_assert(offsetof(paramMessage, sub) == 4, "paramMessage layout");
static_assert(offsetof(paramMessage, value) == 132, "paramMessage layout");
static_assert(offsetof(paramMessage, subCount) == 136, "paramMessage layout");
static_assert(offsetof(paramMessage, hasValue) == 140, "paramMessage layout");
static_assert(offsetof(paramMessage, buffer) == 144, "paramMessage layout");
static_assert(sizeof(paramMessage) == 148, "paramMessage layout");
#endif

#endif
