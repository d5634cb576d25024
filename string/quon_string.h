// quon_string: the text type every script uses. A NUL-terminated byte string
// that owns its bytes, with short texts kept inline so that building control
// ids and command fields does not touch the heap.
//
// Choices the callers may rely on:
// - a null text given to a constructor or an assignment is the empty string;
// - comparisons are byte for byte and case-sensitive;
// - toInt() reads an optional sign and decimal digits making up the whole
//   text; anything else, or a value outside 32 bits, gives 0 and clears *ok;
// - arg() replaces the lowest-numbered "%<digit>" marker; with none left the
//   string comes back unchanged;
// - split() cuts at the first separator; without one, left is the whole text
//   and right is empty.
#ifndef QUON_STRING_H
#define QUON_STRING_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

class quon_string {
public:
    // The empty string.
    quon_string() noexcept : data_(inline_), length_(0), capacity_(inlineCapacity) { inline_[0] = '\0'; }
    // A copy of the NUL-terminated `text` (inline, so that a literal's length
    // is known when compiling).
    quon_string(const char* text) : quon_string() { assign(text, text ? std::strlen(text) : 0); }
    // A copy of the `length` bytes at `text`, which may hold NULs.
    quon_string(const char* text, std::size_t length);
    // The integer rendered in `radix` (2 to 36), padded on the left with
    // `fill` to `width` characters when fill is not 0. quon_string(-3) is "-3".
    explicit quon_string(int value, char fill = 0, unsigned width = 0, int radix = 10);
    quon_string(const quon_string& other);     // a copy
    quon_string(quon_string&& other) noexcept; // takes other's bytes; other is left empty
    // Nothing is reset: the object is gone.
    virtual ~quon_string() {
        if (!isInline()) ::operator delete(data_);
    }

    quon_string& operator=(const quon_string& other);     // becomes a copy of other
    quon_string& operator=(quon_string&& other) noexcept; // takes other's bytes; other is left empty
    // Becomes a copy of text.
    quon_string& operator=(const char* text) {
        assign(text, text ? std::strlen(text) : 0);
        return *this;
    }
    quon_string& operator+=(const quon_string& other); // appends other
    quon_string& operator+=(const char* text);         // appends text

    bool operator==(const char* text) const;         // equal to the NUL-terminated text
    bool operator==(int value) const;                // equal to the decimal rendering of value
    bool operator==(const quon_string& other) const; // the same bytes
    bool operator!=(const quon_string& other) const { return !(*this == other); } // not the same bytes
    bool operator!=(const char* text) const { return !(*this == text); }          // not equal to the text
    bool operator!=(int value) const { return !(*this == value); }                // not the decimal rendering of value

    std::size_t length() const { return length_; } // bytes before the NUL
    bool isEmpty() const { return length_ == 0; }  // whether length() is 0
    const char* c_str() const { return data_; }    // the text, NUL-terminated, valid until the next change
    operator const char*() const { return data_; } // as c_str()

    // The text as a decimal number (see the rules above); *ok, when given,
    // says whether it was one.
    int toInt(bool* ok = nullptr) const { return toInt(data_, length_, ok); }
    // The same reading of a text that is not a quon_string, without a copy.
    static int toInt(const char* text, std::size_t length, bool* ok = nullptr);

    // A copy with the lowest-numbered "%<digit>" marker replaced by `value`.
    quon_string arg(const quon_string& value) const;
    // The same with the integer rendered as quon_string(value, fill, width, radix).
    quon_string arg(int value, char fill = 0, unsigned width = 0, int radix = 10) const;

    // Puts the text before the first `separator` into left and the rest after
    // it into right. Returns the separator's position, or -1 when missing.
    int split(char separator, quon_string& left, quon_string& right) const;

    // Appends the `length` bytes at text (null only with length 0).
    void append(const char* text, std::size_t length);
    // Becomes a copy of the `length` bytes at text (null only with length 0).
    // Inline: a text that fits is one copy, without a call of its own.
    void assign(const char* text, std::size_t length) {
        if (length > capacity_) return assignGrown(text, length);
        if (__builtin_constant_p(length) && length <= 16) {
            // A length known when compiling (a literal's) is copied in a few
            // moves, through registers, so that text may still overlap; a
            // null text comes with length 0 and is not read.
            if (length != 0) {
                char bytes[16];
                std::memcpy(bytes, text, length);
                std::memcpy(data_, bytes, length);
            }
        } else if (length != 0) {
            std::memmove(data_, text, length); // memmove must not see a null text
        }
        length_ = length;
        data_[length] = '\0';
    }

    static constexpr std::size_t inlineCapacity = 39; // bytes before the NUL

private:
    void assignGrown(const char* text, std::size_t length);
    void reserve(std::size_t length);
    void release() noexcept {
        if (!isInline()) ::operator delete(data_);
        data_ = inline_;
        capacity_ = inlineCapacity;
    }
    bool isInline() const { return data_ == inline_; }

    char* data_;
    std::size_t length_;
    std::size_t capacity_; // bytes usable before the NUL
    char inline_[inlineCapacity + 1];
};

quon_string operator+(const quon_string& a, const quon_string& b); // a followed by b
quon_string operator+(const quon_string& a, const char* b);        // a followed by b
quon_string operator+(const char* a, const quon_string& b);        // a followed by b
// A text on the left compares as on the right (not as two pointers).
inline bool operator==(const char* a, const quon_string& b) { return b == a; }
inline bool operator!=(const char* a, const quon_string& b) { return b != a; } // see operator==

#endif
