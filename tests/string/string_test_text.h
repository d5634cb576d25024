// Texts the quon_string tests build and compare with.
#ifndef TESTS_STRING_TEXT_H
#define TESTS_STRING_TEXT_H

#include "quon_string.h"

#include <cstddef>
#include <string>

inline std::string str(const quon_string& s) { return std::string(s.c_str(), s.length()); }

// n letters, a to z over and over: a text of any length, on either side of
// the inline capacity.
inline std::string pattern(std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += static_cast<char>('a' + i % 26);
    return out;
}

#endif
