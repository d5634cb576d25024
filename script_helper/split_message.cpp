#include "split_message.h"

#include <cstring>

namespace {
const char sharedEmpty[1] = "";
}

const char* splitMessage::emptyText() { return sharedEmpty; }

splitMessage::splitMessage(const char* text) : splitMessage(text, nullptr, 0) {}

splitMessage::splitMessage(const char* text, char* storage, std::size_t storageSize)
    : splitMessage(text, text ? std::strlen(text) : 0, storage, storageSize) {}

splitMessage::splitMessage(const char* text, std::size_t length, char* storage, std::size_t storageSize)
    : ownsBuffer_(false) {
    // Every field is stored once (an initializer list would zero the
    // sub-names first), and the loop unrolled into a few wide stores: every
    // message pays for them.
    name = sharedEmpty;
#pragma GCC unroll 32
    for (const char*& s : sub) s = sharedEmpty;
    value = sharedEmpty;
    subCount = 0;
    hasValue = false;
    buffer = nullptr;
    if (length == 0) return;

    if (length < storageSize) {
        buffer = storage;
    } else {
        buffer = new char[length + 1];
        ownsBuffer_ = true;
    }
    std::memcpy(buffer, text, length + 1);
    name = buffer;

    // The first "=" ends the name part; the dots before it start sub-names.
    // Both are found with memchr, which reads many bytes a step.
    char* const equals = static_cast<char*>(std::memchr(buffer, '=', length));
    char* const nameEnd = equals ? equals : buffer + length;
    char* at = buffer;
    while (char* dot = static_cast<char*>(std::memchr(at, '.', static_cast<std::size_t>(nameEnd - at)))) {
        *dot = '\0';
        at = dot + 1;
        sub[subCount++] = at;
        if (subCount == maxSubs) return; // the rest, "=" included, stays in the last one
    }
    if (equals) {
        *equals = '\0';
        hasValue = true;
        value = equals + 1;
    }
}

splitMessage::~splitMessage() {
    if (ownsBuffer_) delete[] buffer;
}
