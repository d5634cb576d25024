// QUON_SCRIPT_FACTORY(panel_class): the whole of a panel library's export.
// Written once in one source file of the panel, it defines the factory
// load_quon_client_script (quon_export.h) and, on Windows, DllMain.
//
//   #include "quon_script_factory.h"
//   #include "my_panel.h"
//   QUON_SCRIPT_FACTORY(my_panel)
//
// `panel_class` derives from quon_script_helper and has the constructor
// (quon_client_callback* host, const char* path). The factory allocates it
// with this library's allocator, without throwing: on failure the host gets
// null. The host frees it through slot 0, which uses the same allocator.
#ifndef QUON_SCRIPT_FACTORY_H
#define QUON_SCRIPT_FACTORY_H

#include "quon_export.h"

#include <new>

#ifdef _WIN32
#include <windows.h>
// The runtime's start-up has run when DllMain is called; no script code runs
// at load, and scripts start no threads, so per-thread notifications are
// switched off.
#define QUON_SCRIPT_DLL_MAIN                                                                                           \
    extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {                                         \
        if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);                                         \
        return TRUE;                                                                                                   \
    }
#else
// DllMain, on Windows only: it switches per-thread notifications off.
#define QUON_SCRIPT_DLL_MAIN
#endif

// Defines the factory and, on Windows, DllMain (see the top of this file).
#define QUON_SCRIPT_FACTORY(panel_class)                                                                               \
    QUON_EXPORT quon_client_callback* load_quon_client_script(quon_client_callback* host, const char* path) {          \
        return new (std::nothrow) panel_class(host, path);                                                             \
    }                                                                                                                  \
    QUON_SCRIPT_DLL_MAIN

#endif
