// traffic: the busy studio a soak plays, in virtual time. Each kind of event
// (a router destination taking a source, a GPI flipping, an information
// slot taking a text, a control pressed, a property message) comes at its
// own average rate; within each stretch of ten virtual minutes every kind's
// rate is scaled by a seeded factor from 0.25 to 1.75, so that the kinds'
// counts do not rise in lockstep and a growth can be laid at one kind's door.
// A press is followed by its release 150 ms later; timers tick at their
// periods (the host's timer clocks, not this schedule).
#ifndef HOST_SOAK_TRAFFIC_H
#define HOST_SOAK_TRAFFIC_H

#include "validation/random.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

enum class event_kind { route, gpi, info, press, release, property, timer };
constexpr std::size_t eventKinds = 7;
// The kinds that come at a rate of their own (release follows press, timers their periods).
constexpr event_kind scheduledKinds[] = {event_kind::route, event_kind::gpi, event_kind::info, event_kind::press,
                                         event_kind::property};

const char* event_kind_name(event_kind kind);
inline std::size_t index_of(event_kind kind) { return static_cast<std::size_t>(kind); }

// Events per hour of each kind (release and timer unused).
struct traffic_rates {
    std::array<std::int64_t, eventKinds> perHour{};
    static traffic_rates defaults();
};

// Reads "KIND=N/s" (or /min, /h) into `rates`; false with why.
bool parse_rate(const std::string& text, traffic_rates& rates, std::string& why);

constexpr std::int64_t stretchMs = 10 * 60 * 1000; // the stretch a rate factor holds for
// A moment of virtual time as the soak names it: "day 1 00:10:00.000".
std::string virtual_time_text(std::int64_t ms);
constexpr std::int64_t releaseAfterMs = 150;

// The times and kinds of the scheduled events, in order.
class traffic_schedule {
public:
    // `enabled`: the kinds the studio has something for (no router: no route).
    traffic_schedule(const traffic_rates& rates, const std::array<bool, eventKinds>& enabled, validate_random& random);

    // The next scheduled event: its time and kind (releases included).
    std::int64_t next_time() const;
    event_kind next_kind() const;
    // Takes it; the kind's next one is drawn.
    void take();
    // A press at `atMs` owes a release at atMs + releaseAfterMs (of the
    // same control: the caller keeps which, in order).
    void owe_release(std::int64_t atMs);

private:
    void draw(std::size_t kind, std::int64_t fromMs);
    // Draws every kind's factor when `atMs` is in a new stretch.
    void stretch_factors(std::int64_t atMs);

    traffic_rates rates_;
    validate_random& random_;
    std::array<std::int64_t, eventKinds> next_{};
    std::vector<std::int64_t> releases_; // due times, oldest first
    std::size_t releaseHead_ = 0;
    std::int64_t factorStretch_ = -1;
    std::array<double, eventKinds> factors_{};
};

} // namespace quon::host

#endif
