// private_file: files validate --save-failures writes into a folder that
// may not be its own: each made new (never an existing file, never through a
// planted link), written whole under a temporary name, then renamed.
#ifndef HOST_VALIDATION_PRIVATE_FILE_H
#define HOST_VALIDATION_PRIVATE_FILE_H

#include <string>

namespace quon::host {

// Creates `path`, which must not exist (a link there counts), for writing
// only by this user; -1 with the system's reason in `error`.
int create_private_file(const std::string& path, std::string& error);
// Opens a file made by create_private_file for appending, not through a link.
int open_private_file(const std::string& path, std::string& error);
bool write_all(int fd, const std::string& bytes);
bool truncate_file(int fd);
void close_file(int fd);

// Writes `text` to `path` under a temporary name beside it, then renames it
// into place (replacing a file made earlier by this program). False with why.
bool write_file_privately(const std::string& path, const std::string& text, std::string& error);

} // namespace quon::host

#endif
