// Fuzz target: paramMessage on arbitrary bytes. The input up to its first NUL
// is the message text. Checks the guarantees handlers rely on against a plain
// model of the split: pointers never null, inside the buffer or the shared
// empty text, at most 32 sub-names, only the first "=" splits, and the parts
// put back together give the input.
#include "fuzz_check.h"
#include "split_message.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct expected_split {
    std::string name;
    std::vector<std::string> subs;
    bool hasValue = false;
    std::string value;
};

// The split written out the simplest way, as handlers expect it.
expected_split model(const std::string& text) {
    expected_split out;
    std::string* part = &out.name;
    std::size_t i = 0;
    for (; i < text.size() && out.subs.size() < 32; ++i) {
        char c = text[i];
        if (c == '.') {
            out.subs.emplace_back();
            part = &out.subs.back();
        } else if (c == '=') {
            out.hasValue = true;
            out.value = text.substr(i + 1);
            return out;
        } else {
            *part += c;
        }
    }
    *part += text.substr(i); // after 32 sub-names the rest stays in the last
    return out;
}

// A pointer the message hands out: the shared empty text, or a NUL-terminated
// text that starts and ends inside the buffer.
void checkText(const paramMessage& m, const char* p, std::size_t length, const char* what) {
    FUZZ_CHECK(p != nullptr, what);
    if (p == splitMessage::emptyText()) return;
    FUZZ_CHECK(m.buffer != nullptr, what);
    FUZZ_CHECK(p >= m.buffer && p <= m.buffer + length, what);
    FUZZ_CHECK(std::strlen(p) <= length - static_cast<std::size_t>(p - m.buffer), what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str())); // a C text ends at its first NUL
    const std::size_t length = text.size();

    splitMessage m(text.c_str());

    FUZZ_CHECK(splitMessage::emptyText() != nullptr && *splitMessage::emptyText() == '\0', "shared empty text");
    FUZZ_CHECK((m.buffer == nullptr) == (length == 0), "buffer only for a non-empty text");
    FUZZ_CHECK(m.subCount >= 0 && m.subCount <= paramMessage::maxSubs, "sub-name count");
    if (m.buffer) FUZZ_CHECK(m.buffer[length] == '\0', "buffer terminated");

    checkText(m, m.name, length, "name");
    checkText(m, m.value, length, "value");
    for (int i = 0; i < paramMessage::maxSubs; ++i) {
        checkText(m, m.sub[i], length, "sub-name");
        if (i >= m.subCount) FUZZ_CHECK(m.sub[i] == splitMessage::emptyText(), "unused sub-name is the empty text");
    }
    if (length > 0) FUZZ_CHECK(m.name == m.buffer, "the name starts the buffer");
    if (!m.hasValue) FUZZ_CHECK(m.value == splitMessage::emptyText(), "no value without '='");

    const expected_split want = model(text);
    FUZZ_CHECK(m.name == std::string_view(want.name), "name");
    FUZZ_CHECK(static_cast<std::size_t>(m.subCount) == want.subs.size(), "sub-name count");
    for (std::size_t i = 0; i < want.subs.size(); ++i)
        FUZZ_CHECK(m.sub[i] == std::string_view(want.subs[i]), "sub-name");
    FUZZ_CHECK(m.hasValue == want.hasValue, "hasValue");
    FUZZ_CHECK(m.value == std::string_view(want.value), "value");

    // Put back together, the parts give the input: each separator cut one
    // byte, so each part sits right after the previous one's NUL.
    std::string rebuilt = m.name;
    const char* next = m.name + std::strlen(m.name) + 1;
    for (int i = 0; i < m.subCount; ++i) {
        FUZZ_CHECK(m.sub[i] == next, "sub-names follow each other in the buffer");
        rebuilt += '.';
        rebuilt += m.sub[i];
        next = m.sub[i] + std::strlen(m.sub[i]) + 1;
    }
    if (m.hasValue) {
        FUZZ_CHECK(m.value == next, "the value follows the '='");
        rebuilt += '=';
        rebuilt += m.value;
    }
    FUZZ_CHECK(rebuilt == text, "parts rebuild the input");
    return 0;
}
