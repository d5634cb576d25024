#include "base/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quon::host {

namespace fs = std::filesystem;

bool make_directories(const std::string& path, std::string& error) {
    std::error_code ec;
    if (path.empty() || fs::is_directory(path, ec)) return true;
    fs::create_directories(path, ec);
    if (!ec) return true;
    error = "cannot create directory " + path + ": " + ec.message();
    return false;
}

bool write_output_file(const std::string& path, const std::string& content, std::string& error) {
    if (!make_directories(fs::path(path).parent_path().string(), error)) return false;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(out) == 0;
    if (written && closed) return true;
    error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
}

std::string full_path(const std::string& path) {
    std::error_code ignored;
    return fs::absolute(path, ignored).lexically_normal().string();
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true; // hard links and different spellings of one file
    const fs::path ca = fs::weakly_canonical(a, ec);
    if (ec) return false;
    const fs::path cb = fs::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

bool inside_folder(const std::string& folder, const std::string& path) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(path, ec);
    if (ec) return false;
    const fs::path base = fs::weakly_canonical(folder.empty() ? "." : folder, ec);
    if (ec) return false;
    const fs::path rel = real.lexically_relative(base);
    return !rel.empty() && *rel.begin() != "..";
}

} // namespace quon::host
