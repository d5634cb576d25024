#include "quon_stringlist.h"

#include <cstring>

quon_stringlist::quon_stringlist(const quon_string& text, char separator) {
    const char* p = text.c_str();
    const char* end = p + text.length();
    if (p == end) return;
    for (;;) {
        const void* found = std::memchr(p, separator, static_cast<std::size_t>(end - p));
        const char* stop = found ? static_cast<const char*>(found) : end;
        items_.emplace_back(p, static_cast<std::size_t>(stop - p));
        if (!found) break;
        p = stop + 1;
    }
}

quon_stringlist& quon_stringlist::operator<<(const quon_string& item) {
    items_.push_back(item);
    return *this;
}

quon_string quon_stringlist::toString(char separator) const {
    quon_string out;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (i) out.append(&separator, 1);
        out += items_[i];
    }
    return out;
}
