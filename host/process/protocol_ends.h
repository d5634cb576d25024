// protocol_ends: the panel process's ends of serve's pipe, taken from its
// standard input and output, kept from whatever the panel starts: the panel's
// own output goes to standard error, its standard input reads nothing, and
// Ctrl-C is the server's to handle.
#ifndef HOST_PROCESS_PROTOCOL_ENDS_H
#define HOST_PROCESS_PROTOCOL_ENDS_H

#include "process/files.h"

namespace quon::host {

struct protocol_ends {
    native_file in = noFile, out = noFile;
};
// Called once, before the panel is loaded.
protocol_ends take_protocol_ends();

} // namespace quon::host

#endif
