// The formatting debug: markers "%1".."%9" of a format filled in one pass.
#include "quon_debug.h"
#include "quon_script_helper.h"

#include <cstddef>
#include <utility>

// The lowest-numbered marker takes a1, the next a2, and so on; equal markers
// in text order. Only the format is searched: a text filled in is never read
// for markers, so a host's reply holding "%5" reaches the debugger as it came.
void quon_script_helper::debug(const quon_string& format, const quon_string& a1, const quon_string& a2,
                               const quon_string& a3, const quon_string& a4, const quon_string& a5,
                               const quon_string& a6, const quon_string& a7, const quon_string& a8,
                               const quon_string& a9) {
    const quon_string* const args[] = {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9};
    const std::size_t argCount = sizeof args / sizeof args[0];
    const char* text = format.c_str();
    const std::size_t length = format.length();

    std::size_t markers[argCount]; // where each marker starts, in the order they take arguments
    std::size_t found = 0;
    for (char digit = '0'; digit <= '9' && found < argCount; ++digit)
        for (std::size_t i = 0; i + 1 < length && found < argCount; ++i)
            if (text[i] == '%' && text[i + 1] == digit) markers[found++] = i;
    // Each marker now has its argument (markers[k] takes args[k]); write them in text order.
    std::size_t order[argCount];
    for (std::size_t k = 0; k < found; ++k) order[k] = k;
    for (std::size_t k = 1; k < found; ++k) // at most nine: an insertion sort keeps the library small
        for (std::size_t j = k; j > 0 && markers[order[j]] < markers[order[j - 1]]; --j)
            std::swap(order[j], order[j - 1]);

    quon_string out;
    std::size_t from = 0;
    for (std::size_t k = 0; k < found; ++k) {
        const std::size_t at = markers[order[k]];
        const quon_string& value = *args[order[k]];
        out.append(text + from, at - from);
        out.append(value.c_str(), value.length());
        from = at + 2;
    }
    out.append(text + from, length - from);
    quon_debug_output(out.c_str());
}
