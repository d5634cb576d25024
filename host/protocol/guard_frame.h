// guard_frame: the step guard's report of the fault that ends the panel's
// process, the frame "guard" ("KIND CODE STEP": KIND signal, exception or
// hung), written by the guard's handler and read by the server as a value.
#ifndef HOST_PROTOCOL_GUARD_FRAME_H
#define HOST_PROTOCOL_GUARD_FRAME_H

#include "session/step_guard.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quon::host {

struct guard_report {
    guard_fault fault = guard_fault::signal;
    unsigned long code = 0; // the signal's or exception's number, or the seconds allowed
    std::string step;       // the step the guard ended
};

// The frame into `out`, without allocating (safe in a signal handler): its
// length, 0 when it does not fit in `room` (the step is cut to fit first).
std::size_t write_guard_frame(guard_fault fault, unsigned long code, const char* step, char* out, std::size_t room);
// The report from a guard frame's bytes; false when they are not one.
bool read_guard(std::string_view bytes, guard_report& out);

} // namespace quon::host

#endif
