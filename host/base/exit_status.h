// exit_status: what panel_host's exit status tells the caller. The emulator's
// own failures have their own status, so they are never taken for the
// panel's or the scenario's.
#ifndef HOST_BASE_EXIT_STATUS_H
#define HOST_BASE_EXIT_STATUS_H

namespace quon::host {

constexpr int exitAllHeld = 0;
constexpr int exitExpectationFailed = 1; // or, with --strict, the panel made a fault
constexpr int exitUsage = 2;             // bad arguments, library, scenario or devices file
constexpr int exitPanelCrashed = 3;
constexpr int exitPanelHung = 4;
constexpr int exitEmulatorFault = 5; // could not read an input, write an output file, or allocate memory

constexpr bool is_panel_fault(int status) { return status == exitPanelCrashed || status == exitPanelHung; }

// One status for what was played, `status` coming after `sofar`: a crash or
// a hang ends a run, so the first of them stays; otherwise the worst.
constexpr int combined_status(int sofar, int status) {
    if (status == exitAllHeld || is_panel_fault(sofar)) return sofar;
    return is_panel_fault(status) ? status : (status > sofar ? status : sofar);
}

} // namespace quon::host

#endif
