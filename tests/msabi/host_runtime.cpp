// The test host's start-up and the runtime support its classes need: no C++
// runtime is linked, so the entry point, new and delete live here.
#include "host_runtime.h"

extern "C" {
struct startup_info {
    int newMode;
};
int __cdecl __getmainargs(int* argc, char*** argv, char*** env, int wildcards, startup_info* info);

void __cdecl mainCRTStartup() {
    int argc = 0;
    char** argv = nullptr;
    char** env = nullptr;
    startup_info info = {0};
    __getmainargs(&argc, &argv, &env, 0, &info);
    const int code = host_main(argc, argv);
    fflush(nullptr); // stdout is a pipe under the test runner: flush before leaving
    ExitProcess(static_cast<unsigned>(code));
}

// Called if a pure virtual slot is ever reached: a broken vtable.
int __cdecl _purecall() {
    printf("FAIL: pure virtual function called\n");
    fflush(nullptr);
    ExitProcess(3);
}
}

void* operator new(host_size_t size) { return malloc(size); }
void operator delete(void* block) noexcept { free(block); }
void operator delete(void* block, unsigned int) noexcept { free(block); }
