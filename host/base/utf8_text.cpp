#include "base/utf8_text.h"

namespace quon::host {

namespace {

// Length of the well-formed character at text[i], or 0 when there is none.
std::size_t character_at(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t length = 0;
    unsigned long code = 0, least = 0;
    if (c >= 0xc2 && c <= 0xdf) length = 2, code = c & 0x1f, least = 0x80;
    else if (c >= 0xe0 && c <= 0xef) length = 3, code = c & 0x0f, least = 0x800;
    else if (c >= 0xf0 && c <= 0xf4) length = 4, code = c & 0x07, least = 0x10000;
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3f);
    }
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    if (code < least || code > 0x10ffff || surrogate || code == 0xfffe || code == 0xffff) return 0;
    return length;
}

// Whether the well-formed character at text[i] (two bytes or more) is one a
// terminal acts on rather than shows: a C1 control (U+0080..U+009F, CSI among
// them), a line or paragraph separator, or a bidirectional override or
// isolate, which reorders what follows on the line.
bool is_control_character(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (byte(0) == 0xc2) return byte(1) < 0xa0;
    if (byte(0) != 0xe2 || i + 2 >= text.size()) return false;
    const unsigned code = (byte(1) & 0x3fu) << 6 | (byte(2) & 0x3fu); // U+2000 + code
    return (code >= 0x28 && code <= 0x2e) || (code >= 0x66 && code <= 0x69);
}

// printable_byte, and every byte from 0x80 up as \xNN too.
std::size_t escaped_byte(unsigned char c, char* out) {
    if (c < 0x80) return printable_byte(c, out);
    static const char hex[] = "0123456789abcdef";
    out[0] = '\\';
    out[1] = 'x';
    out[2] = hex[c >> 4];
    out[3] = hex[c & 15];
    return 4;
}

} // namespace

std::string valid_utf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t ascii = i; // a run of ASCII bytes is kept as it is
        while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
        out.append(text, i, ascii - i);
        if ((i = ascii) == text.size()) break;
        const std::size_t length = character_at(text, i);
        if (length > 0) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i++]);
        out += static_cast<char>(0xc0 | (c >> 6)); // Latin-1: U+0080..U+00FF in two bytes
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
    return out;
}

std::size_t utf8_length(const std::string& valid) {
    std::size_t n = 0;
    for (unsigned char c : valid) n += (c & 0xc0) != 0x80 ? 1 : 0;
    return n;
}

std::string utf8_shorten(const std::string& valid, std::size_t most) {
    if (most < 2 || utf8_length(valid) <= most) return valid;
    std::size_t kept = 0, end = 0;
    // Keep most - 1 characters: stop at the start byte of the next one.
    for (; end < valid.size(); ++end) {
        const bool starts = (static_cast<unsigned char>(valid[end]) & 0xc0) != 0x80;
        if (starts && kept++ == most - 1) break;
    }
    return valid.substr(0, end) + "~";
}

std::size_t printable_byte(unsigned char c, char* out) {
    static const char hex[] = "0123456789abcdef";
    if (c >= 0x20 && c != 0x7f) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    out[0] = '\\';
    if (c == '\n' || c == '\t') {
        out[1] = c == '\n' ? 'n' : 't';
        return 2;
    }
    out[1] = 'x';
    out[2] = hex[c >> 4];
    out[3] = hex[c & 15];
    return 4;
}

std::string printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    char piece[4];
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = static_cast<unsigned char>(text[i]) < 0x80 ? 0 : character_at(text, i);
        if (length > 0 && !is_control_character(text, i)) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (length == 0 && c >= 0xa0) { // a Latin-1 letter or sign, shown as it is (as valid_utf8 takes it)
            out += text[i++];
            continue;
        }
        // A control byte (0x80..0x9f too, as an 8-bit terminal reads it), or every byte of a C1 control or bidi override.
        for (const std::size_t end = i + (length > 0 ? length : 1); i < end; ++i)
            out.append(piece, escaped_byte(static_cast<unsigned char>(text[i]), piece));
    }
    return out;
}

std::size_t byte_order_mark_size(const std::string& text) { return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; }

} // namespace quon::host
