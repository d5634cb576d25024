// text_bounds: how much of what a panel writes for people (its debugger
// texts, its standard error, the conversation they end up in) the host keeps
// and passes on. A panel is foreign code and may write gigabytes; a panel's
// own diagnostics stay far below these limits. A text past a limit is cut
// and says so: "… [cut: 3145728 bytes in all]".
#ifndef HOST_SESSION_TEXT_BOUNDS_H
#define HOST_SESSION_TEXT_BOUNDS_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quon::host {

// One debugger text as the host keeps, shows and checks it (expect-debug).
constexpr std::size_t debugTextBytes = 4u << 10;
// The debugger texts held between two takes (one call into the panel); past
// it they are only counted.
constexpr std::size_t debugHeldBytes = 1u << 20;
// One line of the conversation as serve's panel process sends it and the
// server keeps it (a debugger text's line, with its bytes escaped, fits).
constexpr std::size_t logLineBytes = 16u << 10;
// The conversation serve's panel process sends for one step; the rest of
// that step's lines are counted in one line.
constexpr std::size_t stepLogBytes = 4u << 20;
// The conversation the server keeps for pages, in all; a page that
// (re)connects is sent at most this much of it.
constexpr std::size_t feedKeptBytes = 2u << 20;

// What a cut text ends with.
inline std::string cut_notice(std::size_t total) {
    return "\xe2\x80\xa6 [cut: " + std::to_string(total) + " bytes in all]";
}

// The first at most `most` bytes of `kept` (not splitting a UTF-8
// character), with the notice when the whole text, `total` bytes, is longer.
inline std::string cut_text(std::string_view kept, std::size_t total, std::size_t most) {
    if (total <= most && kept.size() <= most) return std::string(kept);
    std::size_t n = kept.size() < most ? kept.size() : most;
    for (std::size_t back = 0;
         back < 3 && n > 0 && n < kept.size() && (static_cast<unsigned char>(kept[n]) & 0xc0) == 0x80; ++back)
        --n;
    return std::string(kept.substr(0, n)) + cut_notice(total);
}

// A line that arrives in pieces: its start kept up to `most` bytes, its
// length counted whole.
class bounded_line {
public:
    explicit bounded_line(std::size_t most) : most_(most) {}
    void add(const char* bytes, std::size_t n) {
        // A few bytes past the bound show where the last whole character ends.
        const std::size_t room = most_ + 4 > kept_.size() ? most_ + 4 - kept_.size() : 0;
        kept_.append(bytes, n < room ? n : room);
        bytes_ += n;
    }
    std::size_t bytes() const { return bytes_; }
    // The line as kept, cut with its notice, and the next one begins.
    std::string take() {
        std::string line = cut_text(kept_, bytes_, most_);
        kept_.clear();
        bytes_ = 0;
        return line;
    }

private:
    std::size_t most_;
    std::string kept_;
    std::size_t bytes_ = 0;
};

} // namespace quon::host

#endif
