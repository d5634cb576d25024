// run_account: one script's exit status in serve as run gives it for what
// was played (a crash or hang ends a run, so the first of them stays), and
// the interrupt: a wait not answered within the grace after one is
// abandoned, and counts as a hang.
#ifndef HOST_SUPERVISOR_RUN_ACCOUNT_H
#define HOST_SUPERVISOR_RUN_ACCOUNT_H

#include "base/exit_status.h"

#include <chrono>

namespace quon::host {

class run_account {
public:
    using steady = std::chrono::steady_clock;

    void note(int status) { status_ = combined_status(status_, status); }
    // The status at the end: an abandoned panel hung.
    int status() const { return abandoned_ ? combined_status(status_, exitPanelHung) : status_; }
    bool abandoned() const { return abandoned_; }
    // Whether a wait begun at `started` is abandoned at `now`: `interrupted`
    // is set, and was first seen in this wait more than `grace` ago.
    bool abandon(steady::time_point started, steady::time_point now, bool interrupted, steady::duration grace) {
        if (interrupted && interruptedAt_ < started) interruptedAt_ = now;
        if (interruptedAt_ < started || now - interruptedAt_ <= grace) return false;
        abandoned_ = true;
        return true;
    }

private:
    int status_ = exitAllHeld;
    bool abandoned_ = false;
    steady::time_point interruptedAt_; // when an interrupt was first seen in the current wait
};

} // namespace quon::host

#endif
