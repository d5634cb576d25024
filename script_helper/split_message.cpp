#include "split_message.h"

#include <cstring>

namespace {
const char sharedEmpty[1] = "";
}

const char* splitMessage::emptyText() { return sharedEmpty; }

splitMessage::splitMessage(const char* text) : splitMessage(text, nullptr, 0) {}

splitMessage::splitMessage(const char* text, char* storage, std::size_t storageSize)
    : paramMessage{sharedEmpty, {}, sharedEmpty, 0, false, nullptr}, ownsBuffer_(false) {
    for (const char*& s : sub) s = sharedEmpty;
    std::size_t length = text ? std::strlen(text) : 0;
    if (length == 0) return;

    if (length < storageSize) {
        buffer = storage;
    } else {
        buffer = new char[length + 1];
        ownsBuffer_ = true;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';

    for (std::size_t i = 0; i < length && subCount < maxSubs; ++i) {
        char c = buffer[i];
        if (c == '.') {
            if (name == sharedEmpty) name = buffer;
            buffer[i] = '\0';
            sub[subCount++] = buffer + i + 1;
        } else if (c == '=') {
            if (name == sharedEmpty) name = buffer;
            buffer[i] = '\0';
            hasValue = true;
            value = buffer + i + 1;
            break;
        }
    }
    if (name == sharedEmpty) name = buffer;
}

splitMessage::~splitMessage() {
    if (ownsBuffer_) delete[] buffer;
}
