// verdict: what a soak's figures say, by the rules docs/soak.md gives: a
// resource (heap, descriptors, threads) that grows with the events after
// the warm-up, laid at the kind of event whose counts explain the growth
// best; a kind whose CPU per event grows with its count; an event over the
// CPU budget. Each finding is one line of the verdict.
#ifndef HOST_SOAK_VERDICT_H
#define HOST_SOAK_VERDICT_H

#include "soak/tally.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

enum class soak_resource { heap, descriptors, threads };
constexpr soak_resource soakResources[] = {soak_resource::heap, soak_resource::descriptors, soak_resource::threads};
const char* resource_name(soak_resource r);
// The growth below which a resource counts as flat: docs/soak.md.
std::int64_t growth_floor(soak_resource r);
std::int64_t sample_of(const process_sample& s, soak_resource r);

enum class finding_type { growth, cpu_growth, over_budget };

struct soak_finding {
    finding_type type = finding_type::growth;
    soak_resource resource = soak_resource::heap; // growth only
    bool kindKnown = false;                       // a kind explains it
    event_kind kind = event_kind::route;
    double perEvent = 0;   // growth: units per event of the kind; cpu_growth: ns per earlier event
    double fit = 0;        // the correlation the kind was chosen by
    std::int64_t grew = 0; // growth: units after the warm-up; cpu_growth: ns per event, first to last
    std::size_t fromWindow = 0, toWindow = 0;
    std::string line; // the verdict's line, without FAIL
};

// The windows the warm-up takes: one virtual hour or a tenth of the soak, whichever is more.
std::size_t warm_up_windows(std::size_t windows);
// Too few windows after the warm-up to judge a growth.
constexpr std::size_t minJudgedWindows = 8;

// The CPU an event may take by default: one frame of a 60 Hz UI thread.
constexpr std::int64_t defaultBudgetMs = 16;
// The budget in nanoseconds an event is judged against: `budgetMs`, or one
// step of the thread's CPU clock if that is more. A clock that moves by whole
// scheduler ticks charges a quick event a tick now and then: only a time past
// one tick is surely over a budget.
std::int64_t cpu_budget_ns(std::int64_t budgetMs);

std::vector<soak_finding> judge(const soak_tally& tally);
// The same rules with the warm-up given: a replay's windows are of steps, not of virtual time.
std::vector<soak_finding> judge(const soak_tally& tally, std::size_t warmUpWindows);
// The kind whose counts, window by window after `from`, explain a
// resource's steps best (r above 0.5), into f's kindKnown, kind, perEvent and fit.
void blame(const std::vector<soak_window>& w, std::size_t from, soak_resource r, soak_finding& f);

} // namespace quon::host

#endif
