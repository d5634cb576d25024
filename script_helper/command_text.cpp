#include "detail/command_text.h"

command_text& command_text::add(int value) {
    const std::size_t length = decimalLength(value);
    putDecimal(extend(length), length, value);
    return *this;
}

void command_text::grow(std::size_t needed) {
    std::size_t capacity = capacity_ * 2 > needed ? capacity_ * 2 : needed;
    char* bytes = static_cast<char*>(::operator new(capacity + 1));
    std::memcpy(bytes, data_, length_ + 1);
    if (data_ != stack_) ::operator delete(data_);
    data_ = bytes;
    capacity_ = capacity;
}
