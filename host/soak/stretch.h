// stretch: the recent traffic as scenario steps, kept for soak
// --save-failures: the last events of each kind and of all kinds, each the
// step that gives it and the script it goes to. The stretch before a fault
// or the slowest event over the budget is taken when it happens.
#ifndef HOST_SOAK_STRETCH_H
#define HOST_SOAK_STRETCH_H

#include "soak/traffic.h"

#include <array>
#include <deque>
#include <string>
#include <vector>

namespace quon::host {

struct said_step {
    std::string script; // empty: a device change, for every script registered
    std::string line;   // the step, or the event in words when no step gives it
    bool sayable = true;
    // "script: step", for messages.
    std::string text() const { return script.empty() ? line : script + ": " + line; }
};

class step_rings {
public:
    static constexpr std::size_t kept = 200;
    void add(event_kind kind, said_step step);
    std::vector<said_step> of_kind(event_kind kind) const;
    std::vector<said_step> last() const;

private:
    std::array<std::deque<said_step>, eventKinds> kinds_;
    std::deque<said_step> all_;
};

// What --save-failures keeps of a soak besides its rings.
struct soak_stretches {
    step_rings rings;
    std::vector<said_step> beforeFault, beforeSlowest; // up to and with the event
    std::int64_t slowestNs = 0;
};

} // namespace quon::host

#endif
