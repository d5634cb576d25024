// The library's one export: the factory through which the host creates a
// script. A panel defines it with QUON_SCRIPT_FACTORY (quon_script_factory.h)
// rather than by hand; a host looks it up by QUON_FACTORY_NAME.
#ifndef QUON_EXPORT_H
#define QUON_EXPORT_H

#include "quon_client_callback.h"

// Exported, undecorated, with the platform's default (cdecl) convention, in
// which the caller removes the arguments. Natively it is the one symbol of
// default visibility: panels build with everything else hidden.
#ifdef _WIN32
#define QUON_EXPORT extern "C" __declspec(dllexport)
#else
#define QUON_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The name a host passes to GetProcAddress or dlsym.
#define QUON_FACTORY_NAME "load_quon_client_script"

// Creates one script bound to `host` with the base path `path`.
// `host`: the host's own object, or null (every command is then a silent
//   no-op); the script keeps it for its life and never frees it.
// `path`: a NUL-terminated text the script copies; the caller keeps ownership.
// Returns a new script owned by the host from now on (destroyed through slot
// 0 with flags 1), or null when allocation fails. Runs on the caller's thread;
// the script may send its start-up commands to `host` before returning.
extern "C" {
typedef quon_client_callback* (*quon_load_script_fn)(quon_client_callback* host, const char* path);
}
// The factory itself, declared for the library that defines it and for
// programs that link a panel in directly; a host resolves it at run time.
QUON_EXPORT quon_client_callback* load_quon_client_script(quon_client_callback* host, const char* path);

#endif
