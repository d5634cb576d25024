#include "session/panel_library.h"

#include "base/input_file.h"
#include "process/dynamic_library.h"
#include "session/step_guard.h"

namespace quon::host {

namespace {
const char factoryName[] = QUON_FACTORY_NAME;
} // namespace

panel_library::~panel_library() { close(); }

bool panel_library::open(const std::string& path, std::string& error) {
    close();
    path_ = path;
    // The loader would block on a FIFO until someone writes to it.
    if (check_input_file(path, "library", error) != load_result::ok) return false;
    std::string why;
    handle_ = load_library(path, why);
    if (!handle_) {
        error = "cannot load " + path + " (" + why + ")";
        return false;
    }
    void (*symbol)() = library_function(handle_, factoryName);
    if (!symbol) {
        error = path + " does not export " + factoryName;
        close();
        return false;
    }
    // The export is a plain cdecl function; converting through the generic
    // function type is how every loader hands it out.
    factory_ = reinterpret_cast<quon_load_script_fn>(symbol);
    return true;
}

bool panel_library::open_copy(const std::string& path, std::string& error) {
    close();
    if (check_input_file(path, "library", error) != load_result::ok) return false;
    auto copy = std::make_unique<private_copy>();
    {
        const step_guard_emulator_time emulatorTime; // the copying is ours; the loading runs the panel's code
        if (!copy->make(path, error)) return false;
    }
    if (!open(copy->path(), error)) return false; // `copy` goes: the folder is removed
    copy->remove_if_let();
    copy_ = std::move(copy);
    return true;
}

void panel_library::close() {
    if (handle_) unload_library(handle_);
    handle_ = nullptr;
    factory_ = nullptr;
    copy_.reset(); // once unloaded: a loaded library's file cannot be removed on Windows
}

} // namespace quon::host
