// measures_text: the figures soak and run --measure print alike: a table
// per kind of event (count, commands, CPU percentiles and maximum) and a
// line per resource (after the warm-up, at the end, the floor for a growth,
// and the kind whose counts explain its steps, with the slope per event).
#ifndef HOST_SOAK_MEASURES_TEXT_H
#define HOST_SOAK_MEASURES_TEXT_H

#include "soak/tally.h"

#include <cstddef>

namespace quon::host {

void print_kind_table(const soak_tally& tally);
// `warmUp`: the windows the warm-up takes.
void print_resources(const soak_tally& tally, std::size_t warmUp);

} // namespace quon::host

#endif
