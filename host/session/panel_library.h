// panel_library: a panel script library loaded by path (a shared library
// natively, a DLL on Windows) and its factory `load_quon_client_script`.
// The library stays loaded until this object goes; scripts it created must be
// destroyed before. Opened as a private copy, it is a library of its own,
// with globals of its own, as a new process's is.
#ifndef HOST_SESSION_PANEL_LIBRARY_H
#define HOST_SESSION_PANEL_LIBRARY_H

#include "base/private_copy.h"
#include "quon_export.h"

#include <memory>
#include <string>

namespace quon::host {

class panel_library {
public:
    panel_library() = default;
    ~panel_library();
    panel_library(const panel_library&) = delete;
    panel_library& operator=(const panel_library&) = delete;

    // Loads the library and finds the factory; a bare file name is a file in
    // the current directory, never looked up on the system's library path.
    // On failure returns false and `error` says in one line what went wrong.
    bool open(const std::string& path, std::string& error);
    // Loads a private copy of the file at `path` (base/private_copy.h), which
    // the loader never takes for a library already loaded, as it takes the
    // same path loaded again; the copy is removed once the library is closed.
    bool open_copy(const std::string& path, std::string& error);
    void close();

    quon_load_script_fn factory() const { return factory_; }
    const std::string& path() const { return path_; }

private:
    void* handle_ = nullptr;
    quon_load_script_fn factory_ = nullptr;
    std::string path_;
    std::unique_ptr<private_copy> copy_; // the file loaded, when a copy
};

} // namespace quon::host

#endif
