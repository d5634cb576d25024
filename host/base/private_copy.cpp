#include "base/private_copy.h"

#include <filesystem>

namespace quon::host {

namespace {

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

void private_copy::remove() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    folder_.clear();
    path_.clear();
    identity_ = {};
}

void private_copy::remove_if_let() {
    std::error_code refused;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, refused);
    if (!refused) folder_.clear();
}

bool private_copy::make(const std::string& source, std::string& error) {
    remove();
    const native_file from = open_to_read(source);
    if (from == noFile) {
        error = "cannot read " + source + ": " + system_error_text();
        return false;
    }
    identity_ = identity_of_open(from);
    std::string folder;
    bool copied = false;
    if (!identity_.exists) error = source + " is not a regular file";
    else if (!make_private_folder(folder)) error = "cannot make a private folder for the copy: " + system_error_text();
    else {
        folder_ = folder;
        const std::string path = (std::filesystem::path(folder) / std::filesystem::path(source).filename()).string();
        const native_file to = create_new_file(path, new_file_use::program);
        copied = to != noFile && copy_contents(from, to);
        if (!copied) error = "cannot copy " + source + " to " + path + ": " + system_error_text();
        if (to != noFile) close_file(to);
        if (copied) path_ = path;
    }
    close_file(from);
    if (!copied) remove();
    return copied;
}

} // namespace quon::host
