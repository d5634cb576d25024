// files on Windows: handles, made new with CREATE_NEW (which fails on
// anything already there, a link too) and never through a reparse point.
#include "process/files.h"

#include <filesystem>
#include <random>
#include <windows.h>

namespace quon::host {

namespace {
HANDLE handle(native_file f) { return reinterpret_cast<HANDLE>(f); }
native_file native(HANDLE h) { return reinterpret_cast<native_file>(h); }
std::wstring wide(const std::string& path) { return std::filesystem::path(path).wstring(); }
} // namespace

native_file create_new_file(const std::string& path, new_file_use) {
    return native(CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

native_file open_to_read(const std::string& path) {
    return native(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Writable (truncate_file needs it), placed at the end: the one writer appends.
native_file open_to_append(const std::string& path) {
    const HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    LARGE_INTEGER none{};
    if (h != INVALID_HANDLE_VALUE) SetFilePointerEx(h, none, nullptr, FILE_END);
    return native(h);
}

long read_file(native_file f, char* buffer, std::size_t size) {
    DWORD n = 0;
    return ReadFile(handle(f), buffer, static_cast<DWORD>(size), &n, nullptr) ? static_cast<long>(n) : -1;
}

bool write_file(native_file f, const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD n = 0;
        if (!WriteFile(handle(f), bytes, static_cast<DWORD>(size), &n, nullptr) || n == 0) return false;
        bytes += n;
        size -= n;
    }
    return true;
}

bool truncate_file(native_file f) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(handle(f), start, nullptr, FILE_BEGIN) && SetEndOfFile(handle(f));
}

void close_file(native_file f) { CloseHandle(handle(f)); }

bool replace_file(const std::string& from, const std::string& to) {
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

file_identity identity_of_open(native_file f) {
    file_identity id;
    BY_HANDLE_FILE_INFORMATION i;
    if (!GetFileInformationByHandle(handle(f), &i) || (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return id;
    id.exists = true;
    id.device = i.dwVolumeSerialNumber;
    id.file = (std::uint64_t{i.nFileIndexHigh} << 32) | i.nFileIndexLow;
    id.size = (std::uint64_t{i.nFileSizeHigh} << 32) | i.nFileSizeLow;
    id.time = (std::int64_t{i.ftLastWriteTime.dwHighDateTime} << 32) | i.ftLastWriteTime.dwLowDateTime;
    return id;
}

bool make_private_folder(std::string& folder) {
    std::random_device random;
    std::error_code e;
    const auto base = std::filesystem::temp_directory_path(e);
    if (e) return false;
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

std::string system_error_text() {
    const DWORD code = GetLastError();
    char buf[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                                   sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

} // namespace quon::host
