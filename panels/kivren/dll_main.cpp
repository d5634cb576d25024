// The library's entry point on Windows. The runtime's start-up has run when
// this is called; no panel code runs at load, and the panel starts no
// threads, so per-thread notifications are switched off.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
