// process_link against a scripted process (POSIX sh): how the process ended
// comes from its guard's "guard" frame and its exit, never from its stderr.
#include "base/exit_status.h"
#include "supervisor/process_link.h"

#include <gtest/gtest.h>

namespace quon::host {
namespace {

struct quiet_listener : panel_link::listener {
    std::string said;
    void say(const std::string& text) override { said += text; }
    bool take_state(state_update&) override { return true; }
    void earlier_result(const live_result&) override {}
    void run_status(int) override {}
    std::string give_up(panel_link::steady::time_point, bool) override { return {}; }
};

// The loss of a process that writes `frames` on its output and `errors` on
// its standard error, then exits with `status`.
link_loss loss_of(const std::string& frames, const std::string& errors, int status, std::string& said) {
    process_link link(0);
    std::string error;
    const std::string script = "printf '%s' \"$1\"; printf '%s\\n' \"$2\" >&2; exit $3";
    EXPECT_TRUE(link.start({"/bin/sh", "-c", script, "sh", frames, errors, std::to_string(status)}, error)) << error;
    quiet_listener told;
    EXPECT_FALSE(link.exchange("", "ready", nullptr, told));
    said = told.said;
    return link.loss();
}

TEST(ProcessLink, TheGuardsFrameNotItsStderrTellsTheFaultAndStep) {
    const std::string misleading = "panel_host: the panel crashed (SIGSEGV) during step 9 from a file";
    struct row {
        std::string frames;
        int status;
        panel_end how;
        std::string fault, step;
    } rows[] = {
        {frame("guard", "signal 6 step 2 from the page: button 1"), exitPanelCrashed, panel_end::crashed,
         "the panel aborted (SIGABRT) during step 2 from the page: button 1", "step 2 from the page: button 1"},
        {frame("guard", "hung 3 step 1 from a file"), exitPanelHung, panel_end::hung,
         "the panel did not return within 3 s during step 1 from a file", "step 1 from a file"},
        {frame("guard", "exception 3221225477 the load"), exitPanelCrashed, panel_end::crashed,
         "the panel crashed (exception 0xc0000005) during the load", "the load"},
        // No report: the exit alone tells, whatever stderr says.
        {"", exitPanelCrashed, panel_end::crashed, "the panel's process ended (exit status 3)", ""},
        {"", 7, panel_end::exited, "the panel's process ended (exit status 7)", ""},
        // Its own failure (out of memory in this program's code) is no fault of the panel's.
        {frame("own-failure", "out of memory"), exitEmulatorFault, panel_end::own_failure,
         "out of memory (panel_host's own failure in the panel's process, not the panel's) (exit status 5)", ""},
        // The panel ends it in a step without a report (exit(0)): the step it announced.
        {frame("doing", "step 2 from the page: button 1"), 0, panel_end::exited,
         "the panel's process ended (exit status 0) during step 2 from the page: button 1",
         "step 2 from the page: button 1"},
    };
    for (const row& r : rows) {
        std::string said;
        const link_loss loss = loss_of(r.frames, misleading, r.status, said);
        EXPECT_EQ(loss.how, r.how) << r.fault;
        EXPECT_EQ(loss.fault, r.fault);
        EXPECT_EQ(loss.step, r.step) << r.fault;
        EXPECT_EQ(loss.exitStatus, r.status) << r.fault;
        EXPECT_EQ(loss_status(loss), r.how == panel_end::own_failure ? exitEmulatorFault
                                     : r.how == panel_end::hung      ? exitPanelHung
                                                                     : exitPanelCrashed)
            << r.fault;
        EXPECT_NE(said.find(misleading), std::string::npos) << "stderr is still shown";
    }
}

} // namespace
} // namespace quon::host
