// revertive_bytes: a status report record as the host lays it out, the four
// numbers then the text inline with its NUL, for tests that drive a panel.
#ifndef REVERTIVE_BYTES_H
#define REVERTIVE_BYTES_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class revertive_bytes {
public:
    revertive_bytes(int device, int index, int state, const std::string& text)
        : words_(4 + (text.size() + 1 + 3) / 4, 0) {
        words_[0] = device;
        words_[2] = index;
        words_[3] = state;
        std::memcpy(words_.data() + 4, text.c_str(), text.size() + 1);
    }
    void* data() { return words_.data(); }

private:
    std::vector<std::int32_t> words_; // keeps the numbers aligned
};

#endif
