#include "validation/private_file.h"

#include "process/subprocess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace quon::host {

namespace {
std::string reason(const std::string& what, const std::string& path) {
    return "cannot " + what + " " + path + ": " + std::strerror(errno);
}
} // namespace

int create_private_file(const std::string& path, std::string& error) {
#ifdef _WIN32
    // O_EXCL is CREATE_NEW: it fails on anything already there, a link too.
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
#endif
    if (fd < 0) error = reason("create", path);
    return fd;
}

int open_private_file(const std::string& path, std::string& error) {
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_WRONLY | _O_APPEND | _O_BINARY);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
#endif
    if (fd < 0) error = reason("open", path);
    return fd;
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
#ifdef _WIN32
        const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
#else
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool truncate_file(int fd) {
#ifdef _WIN32
    return _chsize(fd, 0) == 0 && _lseek(fd, 0, SEEK_SET) == 0;
#else
    return ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0;
#endif
}

void close_file(int fd) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
}

bool write_file_privately(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".part-" + std::to_string(own_process_id());
    const int fd = create_private_file(temporary, error);
    if (fd < 0) return false;
    const bool written = write_all(fd, text);
    close_file(fd);
#ifdef _WIN32
    if (written) std::remove(path.c_str()); // rename does not replace on Windows
#endif
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = written ? reason("rename into", path) : reason("write", temporary);
    std::remove(temporary.c_str());
    return false;
}

} // namespace quon::host
