// Linked into every panel DLL on Windows (quon_add_panel), whose C++ runtime
// is a static copy of its own. The runtime's default terminate handler is
// defined here, as the framework's: the runtime's verbose one would bring the
// demangler and a printf along (about 70 KB of a panel DLL) to name the
// exception on a console the host does not show. Scripts raise no exceptions;
// one from the runtime (an allocation that fails) that reaches the host's
// frames ends here, with one line on the debugger output.
#include "quon_debug.h"

namespace __gnu_cxx {
void __verbose_terminate_handler();
void __verbose_terminate_handler() { quon_unexpected_exception(); }
} // namespace __gnu_cxx
