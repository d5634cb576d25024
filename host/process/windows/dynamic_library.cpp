// dynamic_library on Windows: LoadLibrary.
#include "process/dynamic_library.h"

#include "process/files.h"

#include <windows.h>

namespace quon::host {

void* load_library(const std::string& path, std::string& why) {
    const bool bare = path.find_first_of("/\\:") == std::string::npos;
    HMODULE module = LoadLibraryA((bare ? ".\\" + path : path).c_str());
    if (!module) why = system_error_text();
    return reinterpret_cast<void*>(module);
}

void (*library_function(void* library, const char* name))() {
    return reinterpret_cast<void (*)()>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void unload_library(void* library) { FreeLibrary(reinterpret_cast<HMODULE>(library)); }

} // namespace quon::host
