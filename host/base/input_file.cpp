#include "input_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

load_result read_input_file(const std::string& path, const char* what, std::size_t maxBytes, std::string& text,
                            std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = std::string(what) + " " + path + " is a directory, not a file";
        return load_result::invalid;
    }
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(errno);
        return load_result::unreadable;
    }
    // Read at most one byte beyond the limit: a device such as /dev/zero never ends.
    text.assign(maxBytes + 1, '\0');
    const std::size_t got = std::fread(&text[0], 1, text.size(), in);
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
    text.resize(got);
    return load_result::ok;
}
