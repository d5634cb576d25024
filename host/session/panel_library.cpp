#include "session/panel_library.h"

#include "base/input_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quon::host {

namespace {
const char factoryName[] = QUON_FACTORY_NAME;

#ifdef _WIN32
std::string last_error() {
    DWORD code = GetLastError();
    char buf[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                             sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}
#endif

// The system loaders search their library path for a bare file name; a
// name given to this program is a file, here or where it says.
std::string as_path(const std::string& path) {
#ifdef _WIN32
    const bool bare = path.find_first_of("/\\:") == std::string::npos;
    return bare ? ".\\" + path : path;
#else
    return path.find('/') == std::string::npos ? "./" + path : path;
#endif
}
} // namespace

panel_library::~panel_library() { close(); }

bool panel_library::open(const std::string& path, std::string& error) {
    close();
    path_ = path;
    // The loader would block on a FIFO until someone writes to it.
    if (check_input_file(path, "library", error) != load_result::ok) return false;
#ifdef _WIN32
    HMODULE module = LoadLibraryA(as_path(path).c_str());
    if (!module) {
        error = "cannot load " + path + " (" + last_error() + ")";
        return false;
    }
    handle_ = reinterpret_cast<void*>(module);
    // void(*)() is the generic function pointer type that converts warning-free.
    auto symbol = reinterpret_cast<void (*)()>(GetProcAddress(module, factoryName));
#else
    handle_ = dlopen(as_path(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        error = "cannot load " + path + " (" + (why ? why : "unknown error") + ")";
        return false;
    }
    void* symbol = dlsym(handle_, factoryName);
#endif
    if (!symbol) {
        error = path + " does not export " + factoryName;
        close();
        return false;
    }
    // The export is a plain cdecl function; converting through the platform's
    // symbol type is how every loader hands it out.
    factory_ = reinterpret_cast<quon_load_script_fn>(symbol);
    return true;
}

void panel_library::close() {
    if (!handle_) return;
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
    factory_ = nullptr;
}

} // namespace quon::host
