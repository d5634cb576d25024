// decimal_number: the one way this program reads a number a user wrote, on
// the command line, in a scenario or in a devices file or layout: plain
// decimal, an optional "-" and digits, nothing before or after (no "+",
// spaces, NUL or other bytes), never "-0", and inside the range the field
// allows. Messages quote the text printably.
#ifndef HOST_BASE_DECIMAL_NUMBER_H
#define HOST_BASE_DECIMAL_NUMBER_H

#include <cstdint>
#include <string>

namespace quon::host {

bool read_decimal(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out, std::string& why);
bool read_decimal(const std::string& text, std::uint64_t max, std::uint64_t& out, std::string& why);

} // namespace quon::host

#endif
