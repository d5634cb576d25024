// dynamic_library: loading a library by path, finding a symbol in it and
// unloading it (a shared object natively, a DLL on Windows).
#ifndef HOST_PROCESS_DYNAMIC_LIBRARY_H
#define HOST_PROCESS_DYNAMIC_LIBRARY_H

#include <string>

namespace quon::host {

// Loads `path`, all its symbols bound now; a bare file name is a file in the
// current directory, never looked up on the system's library path. Null on
// failure with the loader's reason in `why`.
void* load_library(const std::string& path, std::string& why);
// The address of an exported function, or null.
void (*library_function(void* library, const char* name))();
void unload_library(void* library);

} // namespace quon::host

#endif
