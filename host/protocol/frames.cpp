#include "protocol/frames.h"

#include "base/utf8_text.h"
#include "process/subprocess.h"

#include <charconv>
#include <cstdint>

namespace quon::host {

// The server reads the panel's process through child_process: a frame must
// fit what it holds of the process's output before it waits.
static_assert(maxFrameBytes < child_process::outputHeldBytes, "a frame must arrive whole");

namespace {

constexpr std::size_t longestName = 16, longestHeader = longestName + 1 + 8; // name, space, length

bool name_char(char c) { return (c >= 'a' && c <= 'z') || c == '-'; }

// Whether `h` is (the start of, unless `whole`) "NAME LENGTH".
bool header_ok(std::string_view h, bool whole) {
    const std::size_t space = h.find(' ');
    const std::size_t nameEnd = space == std::string_view::npos ? h.size() : space;
    if (nameEnd > longestName || h.size() > longestHeader) return false;
    for (std::size_t i = 0; i < nameEnd; ++i)
        if (!name_char(h[i])) return false;
    if (space == std::string_view::npos) return !whole;
    for (std::size_t i = space + 1; i < h.size(); ++i)
        if (h[i] < '0' || h[i] > '9') return false;
    return !whole || (space > 0 && space + 1 < h.size());
}

} // namespace

void append_frame(std::string& out, std::string_view name, std::string_view bytes) {
    char digits[24];
    const std::size_t n =
        static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, bytes.size()).ptr - digits);
    out.reserve(out.size() + name.size() + n + bytes.size() + 3);
    out.append(name).append(1, ' ').append(digits, n).append(1, '\n').append(bytes).append(1, '\n');
}

std::string frame(std::string_view name, std::string_view bytes) {
    std::string out;
    append_frame(out, name, bytes);
    return out;
}

frame_status read_frame(std::string_view text, std::size_t& at, std::string_view& name, std::string_view& bytes,
                        std::string& why) {
    const std::string_view rest = text.substr(at);
    const std::size_t end = rest.find('\n');
    const std::string_view header = rest.substr(0, end == std::string_view::npos ? longestHeader + 1 : end);
    const std::size_t space = header.find(' ');
    std::uint64_t length = 0; // header_ok leaves only digits there
    const auto read_length = [&] {
        const char* last = header.data() + header.size();
        const auto [stop, error] = std::from_chars(header.data() + space + 1, last, length);
        return stop == last && error == std::errc() && length <= maxFrameBytes;
    };
    if (!header_ok(header, end != std::string_view::npos) || (end != std::string_view::npos && !read_length())) {
        why = "not a frame: \"" + printable(std::string(rest.substr(0, 40))) + "\"";
        return frame_status::garbage;
    }
    if (end == std::string_view::npos) return frame_status::more;
    const std::size_t total = end + 1 + static_cast<std::size_t>(length) + 1;
    if (rest.size() < total) return frame_status::more;
    if (rest[total - 1] != '\n') {
        why = "frame \"" + std::string(header.substr(0, space)) + "\" does not end where its length says";
        return frame_status::garbage;
    }
    name = header.substr(0, space);
    bytes = rest.substr(end + 1, static_cast<std::size_t>(length));
    at += total;
    return frame_status::frame;
}

frame_status take_frame(std::string& buffer, std::string& name, std::string& bytes, std::string& why) {
    std::size_t at = 0;
    std::string_view n, b;
    const frame_status s = read_frame(buffer, at, n, b, why);
    if (s != frame_status::frame) return s;
    name = n;
    bytes = b;
    buffer.erase(0, at);
    return s;
}

bool split_frames(std::string_view text, frame_list& out) {
    out.clear();
    std::string_view name, bytes;
    std::string why;
    for (std::size_t at = 0; at < text.size();)
        if (read_frame(text, at, name, bytes, why) == frame_status::frame) out.emplace_back(name, bytes);
        else return false;
    return true;
}

} // namespace quon::host
