#include "soak/problem_lines.h"

#include <algorithm>
#include <cstring>

namespace quon::host {

std::vector<std::string> problem_lines::take() {
    std::vector<std::string> out;
    out.swap(lines_);
    return out;
}

void problem_lines::end_line() {
    const std::size_t mark = line_.find("  ! ");
    if (mark != std::string::npos && seen_++ < kept) lines_.push_back(line_.substr(0, longest));
    line_.clear();
}

problem_lines::int_type problem_lines::overflow(int_type c) {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    if (c == '\n') end_line();
    else if (line_.size() < longest) line_.push_back(static_cast<char>(c));
    return c;
}

std::streamsize problem_lines::xsputn(const char* s, std::streamsize n) {
    const char* end = s + n;
    while (s < end) {
        const char* stop = static_cast<const char*>(std::memchr(s, '\n', static_cast<std::size_t>(end - s)));
        const char* part = stop ? stop : end;
        line_.append(
            s, std::min<std::size_t>(static_cast<std::size_t>(part - s), longest - std::min(longest, line_.size())));
        if (!stop) break;
        end_line();
        s = stop + 1;
    }
    return n;
}

} // namespace quon::host
