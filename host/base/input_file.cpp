#include "base/input_file.h"

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quon::host {

load_result check_input_file(const std::string& path, const char* what, std::string& error) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    // What does not exist, or cannot be looked at, is left to the reader to
    // report with the system's reason.
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return load_result::ok;
    if (std::filesystem::is_directory(status)) error = std::string(what) + " " + path + " is a directory, not a file";
    else
        // A FIFO would block the reader until someone writes to it; a device
        // such as /dev/zero never ends.
        error = std::string(what) + " " + path + " is not a regular file (a " +
                (std::filesystem::is_fifo(status)     ? "FIFO"
                 : std::filesystem::is_socket(status) ? "socket"
                                                      : "device") +
                ")";
    return load_result::invalid;
}

load_result read_input_file(const std::string& path, const char* what, std::size_t maxBytes, std::string& text,
                            std::string& error) {
    const load_result kind = check_input_file(path, what, error);
    if (kind != load_result::ok) return kind;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(errno);
        return load_result::unreadable;
    }
    // Read at most one byte beyond the limit, whatever the file's size says,
    // a piece at a time: room for the limit up front is megabytes to clear.
    text.clear();
    char piece[65536];
    std::size_t got = 0;
    while (got <= maxBytes) {
        const std::size_t n = std::fread(piece, 1, std::min(sizeof piece, maxBytes + 1 - got), in);
        text.append(piece, n);
        got += n;
        if (n == 0) break;
    }
    const bool failed = std::ferror(in) != 0;
    const int readErrno = errno;
    std::fclose(in);
    if (failed) {
        error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(readErrno);
        return load_result::unreadable;
    }
    if (got > maxBytes) {
        error = std::string(what) + " " + path + " is larger than " + std::to_string(maxBytes) + " bytes";
        return load_result::invalid;
    }
    return load_result::ok;
}

} // namespace quon::host
