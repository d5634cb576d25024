// paramMessage: a "name.sub.sub=value" text split once, in place, into a name,
// up to 32 sub-names and a value. The dispatcher builds one for each property
// message; the host builds records of the same layout for button events, so
// the field order and (in the 32-bit build) the offsets are part of the
// boundary.
//
// Every text pointer not set by the scan points to one shared constant empty
// text, never null; every set pointer points into `buffer`. Only the first "="
// splits; a "." after it belongs to the value. After 32 sub-names the scan
// stops and the rest, "=" included, stays in sub[31].
#ifndef PARAM_MESSAGE_H
#define PARAM_MESSAGE_H

#include <cstddef>
#include <cstdint>

struct paramMessage {
    static constexpr int maxSubs = 32;

    const char* name;
    const char* sub[maxSubs];
    const char* value;
    std::int32_t subCount;
    bool hasValue;
    bool ownsBuffer; // in the padding before buffer: the layout is unchanged
    char* buffer;    // copy of the input, or null for null or empty input

    explicit paramMessage(const char* text);
    // Copies the input into `storage` when it fits (with its NUL), so that a
    // short message costs no heap allocation; `storage` must outlive this.
    paramMessage(const char* text, char* storage, std::size_t storageSize);
    ~paramMessage();
    paramMessage(const paramMessage&) = delete;
    paramMessage& operator=(const paramMessage&) = delete;

    // The shared empty text that unset pointers hold.
    static const char* emptyText();
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
