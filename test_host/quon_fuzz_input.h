// quon_fuzz_input: a panel fuzz target's input read front to back, each
// choice and text where the one before it ended. A step of the panel's life
// is then one run of bytes, which libFuzzer's copies, cross-overs and
// dictionary insertions move whole: a text the panel compares with, put
// anywhere, is read as a text when a step starts there (libFuzzer's own
// provider takes numbers from the back and texts from the front, so that a
// step's choices and its texts lie apart and a mutation moves only one).
#ifndef QUON_FUZZ_INPUT_H
#define QUON_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

class quon_fuzz_input {
public:
    quon_fuzz_input(const std::uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}

    std::size_t remaining() const { return static_cast<std::size_t>(end_ - at_); }

    // A number from min to max: as many bytes as the range needs (one for
    // up to 256 choices), big-endian; past the end, min.
    template <class T>
    T number(T min, T max) {
        static_assert(std::is_integral<T>::value, "an integer");
        const std::uint64_t range = static_cast<std::uint64_t>(max) - static_cast<std::uint64_t>(min);
        std::uint64_t drawn = 0;
        for (std::uint64_t left = range; left != 0 && at_ != end_; left >>= 8) drawn = (drawn << 8) | *at_++;
        if (range != std::numeric_limits<std::uint64_t>::max()) drawn %= range + 1;
        return static_cast<T>(static_cast<std::uint64_t>(min) + drawn);
    }
    bool flag() { return number(0, 1) == 1; }

    // Printable ASCII up to max bytes: the text ends at the first byte
    // outside it, which is read and dropped (a NUL, a newline: what most
    // mutations leave after an insertion), or at the end of the input.
    std::string text(std::size_t max) {
        std::string s;
        while (at_ != end_) {
            const std::uint8_t c = *at_++;
            if (c < ' ' || c > '~') break;
            s += static_cast<char>(c);
            if (s.size() == max) break;
        }
        return s;
    }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

#endif
