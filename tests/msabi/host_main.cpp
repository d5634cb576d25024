// A panel host built with the Microsoft C++ ABI, as the real host is. Loads a
// script library, looks up its factory and drives a script through its life.
//   msabi_host.exe kivren path\to\kivren.dll
//   msabi_host.exe echo path\to\echo_panel.dll
//   msabi_host.exe stress path\to\kivren.dll  (a long mixed run, many lives)
//   msabi_host.exe unexpected path\to\kivren.dll  (ends the process: drive_unexpected.cpp)
// Prints "FAIL: ..." per failed check and closes with the count of checks,
// "msabi_host KIND: N checks, F failed"; exits 0 only if every check passed.
#include "host_double.h"
#include "host_runtime.h"

int drive_kivren(load_script_fn load);
int drive_echo(load_script_fn load);
int drive_stress(load_script_fn load);
int drive_unexpected(load_script_fn load);

int host_main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: msabi_host kivren|echo|stress|unexpected LIBRARY\n");
        return 2;
    }
    void* library = LoadLibraryA(argv[2]);
    if (!library) {
        printf("FAIL: cannot load %s\n", argv[2]);
        return 1;
    }
    load_script_fn load = reinterpret_cast<load_script_fn>(GetProcAddress(library, "load_quon_client_script"));
    if (!load) {
        printf("FAIL: %s does not export load_quon_client_script\n", argv[2]);
        return 1;
    }
    // The host looks the factory up by its plain name only; a decorated
    // stdcall-style name would mean the wrong calling convention.
    if (GetProcAddress(library, "_load_quon_client_script") || GetProcAddress(library, "load_quon_client_script@8")) {
        printf("FAIL: %s exports a decorated factory name\n", argv[2]);
        return 1;
    }
    int result;
    if (strcmp(argv[1], "kivren") == 0) {
        result = drive_kivren(load);
    } else if (strcmp(argv[1], "echo") == 0) {
        result = drive_echo(load);
    } else if (strcmp(argv[1], "stress") == 0) {
        result = drive_stress(load);
    } else if (strcmp(argv[1], "unexpected") == 0) {
        result = drive_unexpected(load);
    } else {
        printf("unknown script kind %s\n", argv[1]);
        return 2;
    }
    FreeLibrary(library);
    // Every driver's failures are tallied, so its result agrees with the count.
    printf("msabi_host %s: %d checks, %d failed\n", argv[1], checks(), failures());
    return result == 0 && failures() == 0 ? 0 : 1;
}
