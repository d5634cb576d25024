// The library's one export, load_quon_client_script, and DllMain on Windows.
#include "@NAME@.h"
#include "quon_script_factory.h"

QUON_SCRIPT_FACTORY(@NAME@)
