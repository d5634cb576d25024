#include "base/decimal_number.h"

#include "base/utf8_text.h"

#include <charconv>

namespace quon::host {

namespace {

// from_chars reads exactly this grammar, except that it stops at the first
// byte it cannot take, so the whole text must be consumed.
template <typename T>
bool read(const std::string& text, T min, T max, T& out, std::string& why) {
    const auto quoted = [&text] { return "\"" + printable(text) + "\""; }; // only for a refusal
    T value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || stop != end || (error != std::errc() && error != std::errc::result_out_of_range)) {
        why = quoted() + " is not a number";
        return false;
    }
    // "-0" (or "-00") is 0 written in a way no one writes it: refused, as the
    // command grammar refuses it.
    if (error == std::errc() && value == 0 && text[0] == '-') {
        why = quoted() + " is a negative zero";
        return false;
    }
    if (error == std::errc::result_out_of_range || value < min || value > max) {
        why = quoted() + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")";
        return false;
    }
    out = value;
    return true;
}

} // namespace

bool read_decimal(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out, std::string& why) {
    return read(text, min, max, out, why);
}

bool read_decimal(const std::string& text, std::uint64_t max, std::uint64_t& out, std::string& why) {
    // from_chars takes no "-" for unsigned types, so "-1" cannot wrap around.
    return read(text, std::uint64_t{0}, max, out, why);
}

} // namespace quon::host
