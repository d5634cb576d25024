// private_copy: a library file copied into a folder made fresh for it
// (mode 0700), written without following links and removed with it: a
// process may load the copy while the build replaces the file (serve
// --watch), and a copy has a path of its own, so the loader gives it globals
// of its own where loading the same path again gives the library loaded.
#ifndef HOST_BASE_PRIVATE_COPY_H
#define HOST_BASE_PRIVATE_COPY_H

#include "process/files.h"

#include <string>

namespace quon::host {

class private_copy {
public:
    private_copy() = default;
    ~private_copy() { remove(); }
    private_copy(const private_copy&) = delete;
    private_copy& operator=(const private_copy&) = delete;

    // Copies `source` into a fresh private folder (the previous copy is
    // removed first); false with why. identity() is the file copied.
    bool make(const std::string& source, std::string& error);
    const std::string& path() const { return path_; }
    const file_identity& identity() const { return identity_; }
    void remove();
    // Removes the file and its folder now if the system lets them go while
    // the copy is loaded (POSIX does; Windows only once it is unloaded, when
    // remove() takes them): a process a panel ends then leaves no copy behind.
    void remove_if_let();

private:
    std::string folder_, path_;
    file_identity identity_;
};

} // namespace quon::host

#endif
