// quon_text: a text already at hand, passed by address and length so that a
// command can copy it straight into its buffer: a literal, the bytes of a
// quon_string, or a record's inline text. It owns nothing; it must not outlive
// the text it points to. A null text reads as the empty text.
#ifndef QUON_TEXT_H
#define QUON_TEXT_H

#include "quon_string.h"

#include <cstddef>
#include <cstring>

struct quon_text {
    // Inline, so that the length of a literal is known when compiling.
    quon_text(const char* text) : data(text ? text : ""), length(text ? std::strlen(text) : 0) {}
    quon_text(const char* text, std::size_t textLength)
        : data(text), length(textLength) {}                                           // `textLength` bytes at text
    quon_text(const quon_string& text) : data(text.c_str()), length(text.length()) {} // the string's bytes

    const char* data;   // the first byte; not NUL-terminated in general
    std::size_t length; // the number of bytes
};

// Byte for byte. Inline, so that a comparison with a literal is a length test
// and a compare of known size.
inline bool operator==(quon_text a, quon_text b) {
    return a.length == b.length && std::memcmp(a.data, b.data, a.length) == 0;
}

#endif
