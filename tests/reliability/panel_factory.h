// The panel library's factory, compiled into the reliability tests, so that
// they create panels exactly as a host does and run under the sanitizers
// together with the panel code.
#ifndef RELIABILITY_PANEL_FACTORY_H
#define RELIABILITY_PANEL_FACTORY_H

#include "quon_export.h"

#endif
