#include "param_message.h"

#include <cstring>

namespace {
const char sharedEmpty[1] = "";
}

const char* paramMessage::emptyText() { return sharedEmpty; }

paramMessage::paramMessage(const char* text) : paramMessage(text, nullptr, 0) {}

paramMessage::paramMessage(const char* text, char* storage, std::size_t storageSize)
    : name(sharedEmpty), value(sharedEmpty), subCount(0), hasValue(false), ownsBuffer(false), buffer(nullptr) {
    for (const char*& s : sub) s = sharedEmpty;
    std::size_t length = text ? std::strlen(text) : 0;
    if (length == 0) return;

    if (length < storageSize) {
        buffer = storage;
    } else {
        buffer = new char[length + 1];
        ownsBuffer = true;
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

paramMessage::~paramMessage() {
    if (ownsBuffer) delete[] buffer;
}
