// protocol_ends on Windows: the output's handle is duplicated, not
// inheritable, and standard output becomes the errors'.
#include "process/protocol_ends.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace quon::host {

protocol_ends take_protocol_ends() {
    SetConsoleCtrlHandler(nullptr, TRUE);
    _setmode(_fileno(stdin), _O_BINARY);
    HANDLE out = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &out, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    std::fflush(stdout);
    _dup2(_fileno(stderr), _fileno(stdout));
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    return {reinterpret_cast<native_file>(GetStdHandle(STD_INPUT_HANDLE)), reinterpret_cast<native_file>(out)};
}

} // namespace quon::host
