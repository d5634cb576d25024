#include "protocol/guard_frame.h"

#include "base/decimal_number.h"

#include <cstring>

namespace quon::host {

namespace {

const char* kind_word(guard_fault fault) {
    switch (fault) {
    case guard_fault::signal:
        return "signal";
    case guard_fault::exception:
        return "exception";
    case guard_fault::memory:
        return "memory";
    case guard_fault::hung:
        break;
    }
    return "hung";
}

// Appends bytes to out while they fit; `at` counts what was asked even past room.
void put(char* out, std::size_t room, std::size_t& at, const char* bytes, std::size_t length) {
    if (at + length <= room) std::memcpy(out + at, bytes, length);
    at += length;
}

void put_decimal(char* out, std::size_t room, std::size_t& at, unsigned long n) {
    char digits[24];
    std::size_t count = 0;
    do digits[sizeof digits - ++count] = static_cast<char>('0' + n % 10);
    while ((n /= 10) != 0);
    put(out, room, at, digits + sizeof digits - count, count);
}

std::size_t decimal_length(unsigned long n) {
    std::size_t count = 1;
    while ((n /= 10) != 0) ++count;
    return count;
}

} // namespace

std::size_t write_guard_frame(guard_fault fault, unsigned long code, const char* step, char* out, std::size_t room) {
    const char* kind = kind_word(fault);
    const std::size_t head = std::strlen(kind) + 1 + decimal_length(code) + 1;
    const std::size_t frameAround = 32; // "guard LENGTH\n" and the closing "\n"
    if (room < head + frameAround) return 0;
    const std::size_t stepLength = strnlen(step, room - head - frameAround);
    std::size_t at = 0;
    put(out, room, at, "guard ", 6);
    put_decimal(out, room, at, head + stepLength);
    put(out, room, at, "\n", 1);
    put(out, room, at, kind, std::strlen(kind));
    put(out, room, at, " ", 1);
    put_decimal(out, room, at, code);
    put(out, room, at, " ", 1);
    put(out, room, at, step, stepLength);
    put(out, room, at, "\n", 1);
    return at <= room ? at : 0;
}

bool read_guard(std::string_view bytes, guard_report& out) {
    const std::size_t space = bytes.find(' ');
    const std::size_t second = space == std::string_view::npos ? space : bytes.find(' ', space + 1);
    if (second == std::string_view::npos) return false;
    const std::string_view kind = bytes.substr(0, space);
    if (kind == "signal") out.fault = guard_fault::signal;
    else if (kind == "exception") out.fault = guard_fault::exception;
    else if (kind == "hung") out.fault = guard_fault::hung;
    else if (kind == "memory") out.fault = guard_fault::memory;
    else return false;
    std::uint64_t code = 0;
    std::string why;
    if (!read_decimal(std::string(bytes.substr(space + 1, second - space - 1)), 0xffffffffu, code, why)) return false;
    out.code = static_cast<unsigned long>(code);
    out.step = std::string(bytes.substr(second + 1));
    return true;
}

} // namespace quon::host
