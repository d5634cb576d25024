// this_process on Windows.
#include "process/this_process.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace quon::host {

namespace {
std::atomic<bool>* interruptFlag = nullptr;
BOOL WINAPI on_console_event(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
    if (interruptFlag) *interruptFlag = true;
    return TRUE;
}
} // namespace

std::string own_program() {
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

long own_process_id() { return static_cast<long>(GetCurrentProcessId()); }

void set_environment_variable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

void plain_standard_output() { _setmode(_fileno(stdout), _O_BINARY); }

void catch_interrupts(std::atomic<bool>& interrupted) {
    interruptFlag = &interrupted;
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

void flush_output_at_fork() {}

std::string program_file_name(const std::string& name) { return name + ".exe"; }

char path_list_separator() { return ';'; }

void end_process_now(int status) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    std::_Exit(status);
}

void wait_forever() {
    for (;;) Sleep(INFINITE);
}

} // namespace quon::host
