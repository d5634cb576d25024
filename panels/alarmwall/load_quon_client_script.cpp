// The exported factory (and DllMain on Windows).
#include "alarmwall.h"
#include "quon_script_factory.h"

QUON_SCRIPT_FACTORY(alarmwall)
