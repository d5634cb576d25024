// main_loop: the panel's own process under "serve", which starts it with
// pipes on its standard input and output and speaks protocol/messages.h over
// them: it loads the panel, takes the devices as the server last saw them,
// plays the scenario or starts the panel, then each action as it comes, and
// reports the state after each. Its step guard ends it (not the server) when
// the panel crashes or hangs, with the message on its standard error.
#ifndef HOST_PANEL_PROCESS_MAIN_LOOP_H
#define HOST_PANEL_PROCESS_MAIN_LOOP_H

#include "scenario/run_setup.h"

namespace quon::host {

// Runs until the server says finish or goes away; the process's exit status.
int run_panel_process(const run_request& request);

} // namespace quon::host

#endif
