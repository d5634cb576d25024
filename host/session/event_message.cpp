#include "session/event_message.h"

namespace quon::host {

namespace {
// Every pointer the split does not set points here.
const char empty[1] = "";
} // namespace

event_message::event_message(const std::string& text) : message_{} {
    message_.name = empty;
    message_.value = empty;
    for (const char*& s : message_.sub) s = empty;
    message_.subCount = 0;
    message_.hasValue = false;
    message_.buffer = nullptr;
    if (text.empty()) return;

    buffer_.assign(text.begin(), text.end());
    buffer_.push_back('\0');
    char* b = buffer_.data();
    message_.buffer = b;
    message_.name = b;
    // Dots before the first "=" end the name or a sub-name; once 32 sub-names
    // are set nothing more is split, so the rest stays in the last one.
    const std::size_t length = text.size();
    for (std::size_t i = 0; i < length && message_.subCount < paramMessage::maxSubs; ++i) {
        if (b[i] == '=') {
            b[i] = '\0';
            message_.hasValue = true;
            message_.value = b + i + 1;
            return;
        }
        if (b[i] == '.') {
            b[i] = '\0';
            message_.sub[message_.subCount++] = b + i + 1;
        }
    }
}

} // namespace quon::host
