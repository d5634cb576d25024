// output_file: where this program writes the files a user asks for (pictures
// of the page), and the rule that an output never replaces an input.
#ifndef HOST_BASE_OUTPUT_FILE_H
#define HOST_BASE_OUTPUT_FILE_H

#include <string>
#include <vector>

namespace quon::host {

// Writes `content` to `path`, creating missing parent directories. On failure
// returns false with the path and the system's reason in `error`.
bool write_output_file(const std::string& path, const std::string& content, std::string& error);

// Creates a directory and its missing parents; false with the reason.
bool make_directories(const std::string& path, std::string& error);

// `path` made absolute and normal: how a written step or command names a
// file so that it holds from any folder.
std::string full_path(const std::string& path);

// Whether two paths name the same file, existing or not (links resolved).
bool same_file(const std::string& a, const std::string& b);
// Whether `path`, links resolved, lies inside `folder` ("" is the current one):
// a name without ".." can still leave it through a link to a folder elsewhere.
bool inside_folder(const std::string& folder, const std::string& path);

} // namespace quon::host

#endif
