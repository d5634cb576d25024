// An allocation that fails inside kivren.dll, the one exception its runtime
// can raise: the panel keeps a 64 MB property value, the host then takes all
// the address space left, and a query makes the panel copy the value into
// its answer. Nothing in the script catches the exception: the DLL's
// terminate handler writes its line to the debugger and ends the process
// with status 3, so this driver never reaches its closing line.
#include "host_double.h"
#include "host_runtime.h"

extern "C" __declspec(dllimport) void* __stdcall VirtualAlloc(void* at, host_size_t size, unsigned long type,
                                                              unsigned long protect);

int drive_unexpected(load_script_fn load);

int drive_unexpected(load_script_fn load) {
    host_double host;
    quon_client_callback* script = load(&host, "C:/panels/kivren");
    expect(script != nullptr, "the factory returns a script");
    if (!script) return failures();

    const host_size_t valueSize = 64u << 20;
    char* message = static_cast<char*>(malloc(valueSize + 9));
    expect(message != nullptr, "the host holds the long message");
    if (!message) return failures();
    memcpy(message, "myParam=", 8);
    for (host_size_t i = 8; i < valueSize + 8; ++i) message[i] = 'v';
    message[valueSize + 8] = '\0';
    script->callback(message, 3);
    free(message);

    // Reserved, never committed: what is left cannot hold another copy.
    const unsigned long reserve = 0x2000, noAccess = 0x01;
    for (host_size_t size = 1u << 30; size >= (1u << 16);)
        if (!VirtualAlloc(nullptr, size, reserve, noAccess)) size /= 2;

    char out[16];
    host.ask(script, "return=all", out, sizeof out);
    expect(false, "the process ended at the failed allocation");
    return failures();
}
