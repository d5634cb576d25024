#include "detail/command_text.h"

void command_text::grow(std::size_t needed) {
    std::size_t capacity = capacity_ * 2 > needed ? capacity_ * 2 : needed;
    char* bytes = static_cast<char*>(::operator new(capacity + 1));
    std::memcpy(bytes, data_, length_ + 1);
    if (data_ != stack_) ::operator delete(data_);
    data_ = bytes;
    capacity_ = capacity;
}
