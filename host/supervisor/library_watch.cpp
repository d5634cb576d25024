#include "supervisor/library_watch.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <random>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quon::host {

namespace {

#ifdef _WIN32
using native_file = HANDLE;
const native_file noFile = INVALID_HANDLE_VALUE;

file_identity identity_of_open(native_file f) {
    file_identity id;
    BY_HANDLE_FILE_INFORMATION i;
    if (!GetFileInformationByHandle(f, &i) || (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return id;
    id.exists = true;
    id.device = i.dwVolumeSerialNumber;
    id.file = (std::uint64_t{i.nFileIndexHigh} << 32) | i.nFileIndexLow;
    id.size = (std::uint64_t{i.nFileSizeHigh} << 32) | i.nFileSizeLow;
    id.time = (std::int64_t{i.ftLastWriteTime.dwHighDateTime} << 32) | i.ftLastWriteTime.dwLowDateTime;
    return id;
}

native_file open_to_read(const std::string& path) {
    return CreateFileW(std::filesystem::path(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void close_file(native_file f) { CloseHandle(f); }

std::string system_error() { return "system error " + std::to_string(GetLastError()); }

// A folder that did not exist before, under a name nobody can guess.
bool make_private_folder(std::string& folder) {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("panel_host-" + std::to_string(GetCurrentProcessId()) + "-" +
                                       std::to_string(random()) + std::to_string(random()));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            folder = candidate.string();
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

native_file create_new(const std::string& path) {
    return CreateFileW(std::filesystem::path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

long read_file(native_file f, char* buffer, std::size_t size) {
    DWORD n = 0;
    return ReadFile(f, buffer, static_cast<DWORD>(size), &n, nullptr) ? static_cast<long>(n) : -1;
}

bool write_file(native_file f, const char* bytes, std::size_t size) {
    DWORD n = 0;
    return WriteFile(f, bytes, static_cast<DWORD>(size), &n, nullptr) && n == size;
}
#else
using native_file = int;
const native_file noFile = -1;

file_identity identity_of_open(native_file f) {
    file_identity id;
    struct stat s;
    if (fstat(f, &s) != 0 || !S_ISREG(s.st_mode)) return id;
    id.exists = true;
    id.device = static_cast<std::uint64_t>(s.st_dev);
    id.file = static_cast<std::uint64_t>(s.st_ino);
    id.size = static_cast<std::uint64_t>(s.st_size);
    id.time = static_cast<std::int64_t>(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
    return id;
}

native_file open_to_read(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

void close_file(native_file f) { close(f); }

std::string system_error() { return std::strerror(errno); }

bool make_private_folder(std::string& folder) {
    std::error_code e;
    std::string pattern = (std::filesystem::temp_directory_path(e) / "panel_host-XXXXXX").string();
    if (e || !mkdtemp(&pattern[0])) return false; // mode 0700, a name that did not exist
    folder = pattern;
    return true;
}

native_file create_new(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
}

long read_file(native_file f, char* buffer, std::size_t size) {
    ssize_t n;
    while ((n = read(f, buffer, size)) < 0 && errno == EINTR) {}
    return static_cast<long>(n);
}

bool write_file(native_file f, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(f, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}
#endif

// Copies what `from` holds into `to`; false at the first failure.
bool copy_contents(native_file from, native_file to) {
    std::string buffer(1u << 16, '\0');
    for (;;) {
        const long n = read_file(from, &buffer[0], buffer.size());
        if (n < 0) return false;
        if (n == 0) return true;
        if (!write_file(to, buffer.data(), static_cast<std::size_t>(n))) return false;
    }
}

} // namespace

file_identity identity_of(const std::string& path) {
    const native_file f = open_to_read(path);
    if (f == noFile) return {};
    const file_identity id = identity_of_open(f);
    close_file(f);
    return id;
}

void private_copy::remove() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    folder_.clear();
    path_.clear();
    identity_ = {};
}

bool private_copy::make(const std::string& source, std::string& error) {
    remove();
    const native_file from = open_to_read(source);
    if (from == noFile) {
        error = "cannot read " + source + ": " + system_error();
        return false;
    }
    identity_ = identity_of_open(from);
    std::string folder;
    bool copied = false;
    if (!identity_.exists) error = source + " is not a regular file";
    else if (!make_private_folder(folder)) error = "cannot make a private folder for the copy: " + system_error();
    else {
        folder_ = folder;
        const std::string path = (std::filesystem::path(folder) / std::filesystem::path(source).filename()).string();
        const native_file to = create_new(path);
        copied = to != noFile && copy_contents(from, to);
        if (!copied) error = "cannot copy " + source + " to " + path + ": " + system_error();
        if (to != noFile) close_file(to);
        if (copied) path_ = path;
    }
    close_file(from);
    if (!copied) remove();
    return copied;
}

library_watch::library_watch(const std::string& path)
    : library_watch(file_state([path] { return identity_of(path); })) {}

library_watch::library_watch(file_state state)
    : state_(std::move(state)), taken_(state_()), seen_(taken_), seenAt_(clock::now()) {}

library_watch::verdict library_watch::failed(const file_identity& build, clock::time_point now) {
    if (build != failed_) failures_ = 0; // another build: tries of its own
    failed_ = build;
    failedAt_ = now;
    if (++failures_ >= trials) return verdict::not_ready; // stays taken until the file changes
    taken_ = {};
    return verdict::try_again;
}

bool library_watch::ready(clock::time_point now) {
    const file_identity id = state_();
    if (id != seen_) {
        seen_ = id;
        seenAt_ = now;
        return false;
    }
    if (!id.exists || id == taken_ || now - seenAt_ < settle) return false;
    return id != failed_ || now - failedAt_ >= retryAfter;
}

} // namespace quon::host
