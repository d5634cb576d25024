// panel_library: a panel script library loaded by path (a shared library
// natively, a DLL on Windows) and its factory `load_quon_client_script`.
// The library stays loaded until this object goes; scripts it created must be
// destroyed before.
#ifndef HOST_SESSION_PANEL_LIBRARY_H
#define HOST_SESSION_PANEL_LIBRARY_H

#include "quon_export.h"

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
    void close();

    quon_load_script_fn factory() const { return factory_; }
    const std::string& path() const { return path_; }

private:
    void* handle_ = nullptr;
    quon_load_script_fn factory_ = nullptr;
    std::string path_;
};

} // namespace quon::host

#endif
