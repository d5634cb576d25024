// command_text: builds one host command text. The first 255 bytes live on the
// stack, so ordinary commands cost no heap allocation; longer texts (a long
// property value, a long base path) move to the heap and are still sent whole.
#ifndef COMMAND_TEXT_H
#define COMMAND_TEXT_H

#include "quon_string.h"

#include <cstddef>
#include <cstring>

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
    command_text& add(const char (&literal)[N]) { return add(literal, N - 1); }
    command_text& add(const quon_string& text) { return add(text.c_str(), text.length()); }
    // A text field: the text between apostrophes, unchanged.
    command_text& quoted(const quon_string& text) { return add("'").add(text).add("'"); }
    // Plain signed decimal.
    command_text& add(int value);

    const char* c_str() const { return data_; }
    char* data() { return data_; }
    std::size_t length() const { return length_; }

private:
    void grow(std::size_t needed);

    char stack_[256];
    char* data_;
    std::size_t length_;
    std::size_t capacity_;
};

#endif
