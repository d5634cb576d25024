// The framework's end for an exception nothing in a script catches.
#include "quon_debug.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

void quon_unexpected_exception() {
    quon_debug_output("quon_script_helper: unexpected exception from the runtime, the process ends\n");
#ifdef _WIN32
    // Nothing else of the process runs: no exit handlers over a broken state.
    TerminateProcess(GetCurrentProcess(), quon_unexpected_exception_status);
#endif
    std::_Exit(quon_unexpected_exception_status);
}
