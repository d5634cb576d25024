#include "command_text.h"

command_text& command_text::add(int value) {
    char buf[12]; // "-2147483648"
    char* p = buf + sizeof buf;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--p = '-';
    return add(p, static_cast<std::size_t>(buf + sizeof buf - p));
}

void command_text::grow(std::size_t needed) {
    std::size_t capacity = capacity_ * 2 > needed ? capacity_ * 2 : needed;
    char* bytes = static_cast<char*>(::operator new(capacity + 1));
    std::memcpy(bytes, data_, length_ + 1);
    if (data_ != stack_) ::operator delete(data_);
    data_ = bytes;
    capacity_ = capacity;
}
