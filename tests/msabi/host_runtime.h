// host_runtime: the little of Windows and the C runtime that the test host
// uses. The host is built without any headers or runtime library of its
// toolchain, so it declares these itself, exactly as the system exports them.
#ifndef HOST_RUNTIME_H
#define HOST_RUNTIME_H

typedef decltype(sizeof 0) host_size_t;

extern "C" {
// kernel32.dll
__declspec(dllimport) void* __stdcall LoadLibraryA(const char* name);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned code);

// msvcrt.dll
int __cdecl printf(const char* format, ...);
int __cdecl sprintf(char* buffer, const char* format, ...);
int __cdecl strcmp(const char* a, const char* b);
int __cdecl strncmp(const char* a, const char* b, host_size_t n);
host_size_t __cdecl strlen(const char* text);
void* __cdecl memcpy(void* to, const void* from, host_size_t n);
void* __cdecl malloc(host_size_t size);
void __cdecl free(void* block);
int __cdecl fflush(void* stream);
}

// The test program proper; returns the process exit code.
int host_main(int argc, char** argv);

#endif
