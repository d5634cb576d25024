// Internal. command_text: builds one host command text. The first 255 bytes live on the
// stack, so ordinary commands cost no heap allocation; longer texts (a long
// property value, a long base path) move to the heap and are still sent whole.
#ifndef QUON_COMMAND_TEXT_H
#define QUON_COMMAND_TEXT_H

#include "quon_commands.h"
#include "quon_string.h"

#include <cstddef>
#include <cstring>

// The opening of a command whose first field is a text, "TP '": the table's
// code, a space and the apostrophe, as one constant of four bytes.
struct command_opening {
    char bytes[4];
};
constexpr command_opening opening_of(quon_command_id id) {
    return {{quon_commands[id].code[0], quon_commands[id].code[1], ' ', '\''}};
}

class command_text {
public:
    command_text() : data_(stack_), length_(0), capacity_(sizeof stack_ - 1) { stack_[0] = '\0'; }
    ~command_text() {
        if (data_ != stack_) ::operator delete(data_);
    }
    command_text(const command_text&) = delete;
    command_text& operator=(const command_text&) = delete;

    command_text& add(const char* text, std::size_t length) {
        if (length > capacity_ - length_) grow(length_ + length);
        std::memcpy(data_ + length_, text, length);
        length_ += length;
        data_[length_] = '\0';
        return *this;
    }
    template <std::size_t N>
    command_text& add(const char (&literal)[N]) {
        return add(literal, N - 1);
    }
    command_text& add(const quon_string& text) { return add(text.c_str(), text.length()); }
    // A text field: the text between apostrophes, unchanged.
    command_text& quoted(const quon_string& text) { return add("'").add(text).add("'"); }
    // Plain signed decimal.
    command_text& add(int value) {
        const std::size_t length = decimalLength(value);
        putDecimal(extend(length), length, value);
        return *this;
    }

    // For a text whose length is known before it is written: makes room for
    // `length` more bytes, counts them as written and gives where they go.
    // The caller fills exactly that many.
    char* extend(std::size_t length) {
        if (length > capacity_ - length_) grow(length_ + length);
        char* at = data_ + length_;
        length_ += length;
        data_[length_] = '\0';
        return at;
    }

    const char* c_str() const { return data_; }
    char* data() { return data_; }
    std::size_t length() const { return length_; }

    // Copies length bytes to `at` and gives the end of the copy.
    static char* put(char* at, const char* text, std::size_t length) {
        std::memcpy(at, text, length);
        return at + length;
    }
    // The plain signed decimal of value: its length, and the text written
    // into the `length` bytes at `at` (no NUL), which spares a copy.
    static std::size_t decimalLength(int value) {
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        std::size_t length = value < 0 ? 2 : 1;
        for (; magnitude >= 10; magnitude /= 10) ++length;
        return length;
    }
    static void putDecimal(char* at, std::size_t length, int value) {
        char* p = at + length;
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        do {
            *--p = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0) *--p = '-';
    }

private:
    void grow(std::size_t needed);

    char stack_[256];
    char* data_;
    std::size_t length_;
    std::size_t capacity_;
};

#endif
