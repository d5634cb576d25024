#include "soak/problem_lines.h"

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
    for (std::streamsize i = 0; i < n; ++i) {
        if (s[i] == '\n') end_line();
        else if (line_.size() < longest) line_.push_back(s[i]);
    }
    return n;
}

} // namespace quon::host
