#include "base/private_file.h"

#include "process/this_process.h"

#include <cstdio>

namespace quon::host {

namespace {
std::string reason(const std::string& what, const std::string& path) {
    return "cannot " + what + " " + path + ": " + system_error_text();
}
} // namespace

native_file create_private_file(const std::string& path, std::string& error) {
    const native_file f = create_new_file(path);
    if (f == noFile) error = reason("create", path);
    return f;
}

native_file open_private_file(const std::string& path, std::string& error) {
    const native_file f = open_to_append(path);
    if (f == noFile) error = reason("open", path);
    return f;
}

bool write_file_privately(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".part-" + std::to_string(own_process_id());
    const native_file f = create_private_file(temporary, error);
    if (f == noFile) return false;
    const bool written = write_file(f, text.data(), text.size());
    if (!written) error = reason("write", temporary);
    close_file(f);
    if (written && replace_file(temporary, path)) return true;
    if (written) error = reason("rename into", path);
    std::remove(temporary.c_str());
    return false;
}

} // namespace quon::host
