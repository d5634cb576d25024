// The library's one export: the factory the host looks up by its plain name.
#ifndef KIVREN_EXPORT_H
#define KIVREN_EXPORT_H

#include "quon_client_callback.h"

#ifdef _WIN32
#define KIVREN_EXPORT __declspec(dllexport)
#else
#define KIVREN_EXPORT __attribute__((visibility("default")))
#endif

// cdecl, caller cleans, undecorated. Returns a new kivren bound to `host`
// (may be null) with the base path `path`, or null if allocation fails. The
// host destroys it through slot 0 of the interface.
extern "C" KIVREN_EXPORT quon_client_callback* load_quon_client_script(quon_client_callback* host,
                                                                       const char* path);

#endif
