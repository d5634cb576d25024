// crash_journal: soak keeps the last events' steps, numbers and virtual
// times in memory shared with the watching process, each written before the
// event is delivered: when the panel crashes, hangs or ends the worker, no
// code of the worker runs after, and the watcher still reads the events up
// to the one that did it (the last), names it, and with --save-failures
// saves them as a case, as validate's journal does for its checks.
#ifndef HOST_SOAK_CRASH_JOURNAL_H
#define HOST_SOAK_CRASH_JOURNAL_H

#include "soak/stretch.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quon::host {

class crash_journal {
public:
    static constexpr std::size_t slots = 200, scriptBytes = 64, lineBytes = 448;

    // The memory it needs, which the worker and its watcher share
    // (run_guarded's extra memory, zeroed before the worker starts).
    static std::size_t bytes();

    // Both processes: the journal is kept in `memory`.
    void attach(void* memory);
    // The worker: the event about to be delivered: its step, number and
    // virtual time. A step too long for a slot is kept as one no scenario
    // step gives.
    void put(const said_step& step, std::int64_t number, std::int64_t atMs);
    // The watcher: the steps, oldest first.
    std::vector<said_step> read() const;
    struct event {
        std::int64_t number = 0, atMs = 0;
        said_step step;
    };
    // The watcher: the last event put; false when none was.
    bool last(event& out) const;

private:
    struct slot {
        char script[scriptBytes];
        char line[lineBytes];
        std::uint8_t sayable;
        std::int64_t number, atMs;
    };
    static said_step step_of(const slot& s);
    struct shared {
        std::uint64_t written;
        slot ring[slots];
    };
    shared* shared_ = nullptr;
};

} // namespace quon::host

#endif
