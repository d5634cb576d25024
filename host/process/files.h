// files: the system's own file calls, for what the C++ library does not
// give: files made new without following a link, appended to, truncated,
// identified by device and number, private folders, and the system's reason.
#ifndef HOST_PROCESS_FILES_H
#define HOST_PROCESS_FILES_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace quon::host {

// A file open at the system's level: a descriptor natively, a handle on Windows.
using native_file = std::intptr_t;
constexpr native_file noFile = -1;

enum class new_file_use { data, program }; // a program's copy may be run: its owner may execute it

// A file that must not exist yet (a link there counts), readable and writable
// by this user only; noFile on failure, the reason in system_error_text().
native_file create_new_file(const std::string& path, new_file_use use = new_file_use::data);
// An existing file, for reading (without waiting on a FIFO) or for appending
// (not through a link).
native_file open_to_read(const std::string& path);
native_file open_to_append(const std::string& path);
// Bytes read; 0 at the end, -1 on failure.
long read_file(native_file f, char* buffer, std::size_t size);
// Writes all of `bytes`; false once it cannot.
bool write_file(native_file f, const char* bytes, std::size_t size);
bool truncate_file(native_file f);
void close_file(native_file f);
// Moves `from` over `to`, replacing a file there.
bool replace_file(const std::string& from, const std::string& to);

// Which file an open file is: changed by a new build even when size and time match.
struct file_identity {
    bool exists = false; // a regular file
    std::uint64_t device = 0, file = 0, size = 0;
    std::int64_t time = 0; // last written, in the system's own units
    bool operator==(const file_identity& o) const {
        return exists == o.exists && device == o.device && file == o.file && size == o.size && time == o.time;
    }
    bool operator!=(const file_identity& o) const { return !(*this == o); }
};
file_identity identity_of_open(native_file f);

// A folder under the temporary one that did not exist before, under a name
// nobody can guess, for this user only; false when none could be made.
bool make_private_folder(std::string& folder);

// Why the last file or library call failed, in the system's words.
std::string system_error_text();

} // namespace quon::host

#endif
