// player: plays a soak's traffic (soak/traffic.h) to the scripts of a studio
// (session/studio.h) on the declared devices, in virtual time, with every
// declared or started timer ticking at its period, and measures each event:
// its CPU time on this thread and the commands it caused; at the end of each
// ten-minute stretch it samples the process (process/process_probe.h). The
// step guard names the stretch being played, so a crash or hang is named
// with it.
#ifndef HOST_SOAK_PLAYER_H
#define HOST_SOAK_PLAYER_H

#include "devices/file.h"
#include "session/studio.h"
#include "soak/crash_journal.h"
#include "soak/stretch.h"
#include "soak/tally.h"
#include "soak/traffic.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

struct soak_plan {
    std::vector<script_entry> scripts;
    device_set devices;
    std::vector<std::string> properties; // property messages the traffic picks from
    traffic_rates rates = traffic_rates::defaults();
    std::int64_t durationMs = 7LL * 24 * 3600 * 1000;
    std::uint64_t seed = 0;
    std::int64_t budgetNs = 16000000;
    soak_stretches* stretches = nullptr; // --save-failures: the recent steps kept there
    crash_journal* journal = nullptr;    // each event written there before it is delivered
};

// Faults the run went on from (malformed commands, other problems the
// conversation names), the first few with the event that made them.
struct soak_faults {
    std::int64_t count = 0;
    std::vector<std::string> first;
    std::string startFailure; // a factory that gave null
};

// Plays the plan; the tally and faults are filled as it goes.
void play_soak(const soak_plan& plan, soak_tally& tally, soak_faults& faults);

} // namespace quon::host

#endif
