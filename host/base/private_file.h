// private_file: files written into a folder that may not be this program's
// own (validate --save-failures's cases and journal): each made new (never an
// existing file, never through a planted link), written whole under a
// temporary name, then renamed.
#ifndef HOST_BASE_PRIVATE_FILE_H
#define HOST_BASE_PRIVATE_FILE_H

#include "process/files.h"

#include <string>

namespace quon::host {

// Creates `path`, which must not exist (a link there counts), for writing
// only by this user; noFile with the system's reason in `error`. Written with
// write_file, emptied with truncate_file, closed with close_file (process/files.h).
native_file create_private_file(const std::string& path, std::string& error);
// Opens a file made by create_private_file for appending, not through a link.
native_file open_private_file(const std::string& path, std::string& error);

// Writes `text` to `path` under a temporary name beside it, then renames it
// into place (replacing a file made earlier by this program). False with why.
bool write_file_privately(const std::string& path, const std::string& text, std::string& error);

} // namespace quon::host

#endif
