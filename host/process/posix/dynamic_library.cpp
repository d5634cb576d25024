// dynamic_library on POSIX systems: dlopen.
#include "process/dynamic_library.h"

#include <dlfcn.h>

namespace quon::host {

void* load_library(const std::string& path, std::string& why) {
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* text = dlerror();
        why = text ? text : "unknown error";
    }
    return library;
}

void (*library_function(void* library, const char* name))() {
    // void(*)() is the generic function type a symbol's address converts to.
    return reinterpret_cast<void (*)()>(dlsym(library, name));
}

void unload_library(void* library) { dlclose(library); }

} // namespace quon::host
