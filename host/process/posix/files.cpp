// files on POSIX systems.
#include "process/files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quon::host {

native_file create_new_file(const std::string& path, new_file_use use) {
    const mode_t mode = use == new_file_use::program ? 0700 : 0600;
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

native_file open_to_read(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

native_file open_to_append(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
}

long read_file(native_file f, char* buffer, std::size_t size) {
    ssize_t n;
    while ((n = read(static_cast<int>(f), buffer, size)) < 0 && errno == EINTR) {}
    return static_cast<long>(n);
}

bool write_file(native_file f, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(static_cast<int>(f), bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool truncate_file(native_file f) {
    return ftruncate(static_cast<int>(f), 0) == 0 && lseek(static_cast<int>(f), 0, SEEK_SET) == 0;
}

void close_file(native_file f) { close(static_cast<int>(f)); }

bool replace_file(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

file_identity identity_of_open(native_file f) {
    file_identity id;
    struct stat s;
    if (fstat(static_cast<int>(f), &s) != 0 || !S_ISREG(s.st_mode)) return id;
    id.exists = true;
    id.device = static_cast<std::uint64_t>(s.st_dev);
    id.file = static_cast<std::uint64_t>(s.st_ino);
    id.size = static_cast<std::uint64_t>(s.st_size);
    id.time = static_cast<std::int64_t>(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
    return id;
}

bool make_private_folder(std::string& folder) {
    std::error_code e;
    std::string pattern = (std::filesystem::temp_directory_path(e) / "panel_host-XXXXXX").string();
    if (e || !mkdtemp(&pattern[0])) return false; // mode 0700, a name that did not exist
    folder = pattern;
    return true;
}

std::string system_error_text() { return std::strerror(errno); }

} // namespace quon::host
