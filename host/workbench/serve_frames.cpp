#include "serve_frames.h"

#include "decimal_number.h"
#include "utf8_text.h"

namespace {

constexpr std::size_t longestName = 16, longestHeader = longestName + 1 + 8; // name, space, length

bool name_char(char c) { return (c >= 'a' && c <= 'z') || c == '-'; }

// Whether `h` is (the start of, unless `whole`) "NAME LENGTH".
bool header_ok(const std::string& h, bool whole) {
    const std::size_t space = h.find(' ');
    const std::size_t nameEnd = space == std::string::npos ? h.size() : space;
    if (nameEnd > longestName || h.size() > longestHeader) return false;
    for (std::size_t i = 0; i < nameEnd; ++i)
        if (!name_char(h[i])) return false;
    if (space == std::string::npos) return !whole;
    for (std::size_t i = space + 1; i < h.size(); ++i)
        if (h[i] < '0' || h[i] > '9') return false;
    return !whole || (space > 0 && space + 1 < h.size());
}

} // namespace

std::string frame(const std::string& name, const std::string& bytes) {
    return name + " " + std::to_string(bytes.size()) + "\n" + bytes + "\n";
}

frame_status take_frame(std::string& buffer, std::string& name, std::string& bytes, std::string& why) {
    const std::size_t end = buffer.find('\n');
    const std::string header = buffer.substr(0, end == std::string::npos ? longestHeader + 1 : end);
    std::int64_t length = 0;
    if (!header_ok(header, end != std::string::npos) ||
        (end != std::string::npos &&
         !read_decimal(header.substr(header.find(' ') + 1), 0, static_cast<std::int64_t>(maxFrameBytes), length, why))) {
        why = "not a frame: \"" + printable(buffer.substr(0, 40)) + "\"";
        return frame_status::garbage;
    }
    if (end == std::string::npos) return frame_status::more;
    const std::size_t total = end + 1 + static_cast<std::size_t>(length) + 1;
    if (buffer.size() < total) return frame_status::more;
    if (buffer[total - 1] != '\n') {
        why = "frame \"" + header.substr(0, header.find(' ')) + "\" does not end where its length says";
        return frame_status::garbage;
    }
    name = header.substr(0, header.find(' '));
    bytes = buffer.substr(end + 1, static_cast<std::size_t>(length));
    buffer.erase(0, total);
    return frame_status::frame;
}

bool split_frames(std::string text, frame_list& out) {
    out.clear();
    std::string name, bytes, why;
    while (!text.empty())
        if (take_frame(text, name, bytes, why) == frame_status::frame) out.emplace_back(name, bytes);
        else return false;
    return true;
}
