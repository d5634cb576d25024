// The exported factory (and DllMain on Windows).
#include "quon_script_factory.h"
#include "router_control.h"

QUON_SCRIPT_FACTORY(router_control)
