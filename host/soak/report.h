// report: soak --report DIR: index.html, a page with pictures (heap,
// descriptors and threads over virtual time, CPU per event by kind, events
// and commands per virtual hour, the slowest events, the verdict), and
// soak.json with the same figures. Every text from the panel is escaped.
#ifndef HOST_SOAK_REPORT_H
#define HOST_SOAK_REPORT_H

#include "soak/player.h"
#include "soak/tally.h"
#include "soak/verdict.h"

#include <string>
#include <vector>

namespace quon::host {

struct soak_report_input {
    const soak_plan& plan;
    const soak_tally& tally;
    const std::vector<soak_finding>& findings;
    const soak_faults& faults;
    double seconds; // the real time the soak took
};

std::string soak_json(const soak_report_input& in);
std::string soak_html(const soak_report_input& in);
// Writes both into `dir` (made if missing); false with why.
bool write_soak_report(const std::string& dir, const soak_report_input& in, std::string& error);

} // namespace quon::host

#endif
