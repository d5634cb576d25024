// How the watcher judges its worker's end: the worker's own end passes its
// status through, any other is the panel's and names the step.
#include "base/exit_status.h"
#include "session/guarded_process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace quon::host;

namespace {

step_guard_record record_of(const char* step, int state, int ending, int status) {
    step_guard_record r{};
    std::snprintf(r.step, sizeof r.step, "%s", step);
    r.state = state;
    r.ending = ending;
    r.status = status;
    return r;
}

TEST(GuardedProcess, JudgesHowTheWorkerEnded) {
    struct end_case {
        step_guard_record record;
        bool exited;
        unsigned long code;
        int status;
        const char* report; // empty: none
    };
    const end_case cases[] = {
        // The worker's own ends.
        {record_of("step 2", 2, 1, exitAllHeld), true, 0, exitAllHeld, ""},
        {record_of("step 2", 2, 1, exitExpectationFailed), true, 1, exitExpectationFailed, ""},
        // The guard reported a crash or a hang; its status stands even when the end then went wrong.
        {record_of("step 1", 1, 1, exitPanelCrashed), false, 11, exitPanelCrashed, ""},
        {record_of("step 1", 1, 1, exitPanelHung), true, 0xc0000005ul, exitPanelHung, ""},
        // The panel's ends: exit and _exit in a step, a signal, a Windows exception code.
        {record_of("step 3 a.scn:4: button 1 Take press", 1, 0, 0), true, 0, exitPanelCrashed,
         "the panel ended the process (exit status 0) during step 3 a.scn:4: button 1 Take press"},
        {record_of("check create", 1, 0, 0), true, 1, exitPanelCrashed,
         "the panel ended the process (exit status 1) during check create"},
        {record_of("(before the first step)", 0, 0, 0), false, 9, exitPanelCrashed,
         "the panel ended the process (signal 9) before the first step"},
        {record_of("end: stop the panel", 2, 0, 0), true, 0xc0000005ul, exitPanelCrashed,
         "the panel ended the process (exit code 0xc0000005) after end: stop the panel"},
        // All held, then the panel's exit handler changed the status: not the worker's own end.
        {record_of("end: stop the panel", 2, 1, exitAllHeld), true, 7, exitPanelCrashed,
         "the panel ended the process (exit status 7) after end: stop the panel"},
    };
    for (const end_case& c : cases) {
        std::string report;
        EXPECT_EQ(worker_end_status(c.record, c.exited, c.code, report), c.status) << c.report;
        EXPECT_EQ(report, c.report);
    }
}

TEST(GuardedProcess, AStepWithoutItsEndIsReadWithinTheRecord) {
    step_guard_record r = record_of("", 1, 0, 0);
    std::memset(r.step, 'x', sizeof r.step); // no terminating null
    std::string report;
    worker_end_status(r, true, 0, report);
    EXPECT_EQ(report, "the panel ended the process (exit status 0) during " + std::string(sizeof r.step, 'x'));
}

#ifndef _WIN32
// A real worker (forked natively), ended by _exit inside a step: no code of
// the worker runs, the watcher still names the step. The worker that returns
// ends at once, so that it never runs the rest of this program.
int guarded(int (*work)()) {
    const pid_t self = getpid();
    const int status = run_guarded(work);
    if (getpid() != self) _exit(status);
    return status;
}

TEST(GuardedProcess, WorkerEndedByThePanel) {
    EXPECT_EQ(guarded([] {
                  step_guard_enter("step 5 x.scn:6: button 1 Take press");
                  _exit(0);
                  return 0;
              }),
              exitPanelCrashed);
    EXPECT_EQ(guarded([] { return exitExpectationFailed; }), exitExpectationFailed);
}

// The caller's memory beside the record: zeroed for the worker, and what the
// worker wrote there read by the watcher after a panel ended the worker.
TEST(GuardedProcess, CallersMemoryOutlivesTheWorker) {
    static char* memory = nullptr;
    std::string seen;
    int judged = -1;
    guarded_memory more;
    more.bytes = 64;
    more.attach = [](void* m) { memory = static_cast<char*>(m); };
    more.ended = [&](int status) {
        judged = status;
        seen.assign(memory, strnlen(memory, 64));
        return exitUsage;
    };
    const pid_t self = getpid();
    const int status = run_guarded(
        [] {
            if (memory[0] != 0) return exitEmulatorFault;
            std::strcpy(memory, "step 7");
            _exit(0);
        },
        0, more);
    if (getpid() != self) _exit(status);
    EXPECT_EQ(judged, exitPanelCrashed);
    EXPECT_EQ(seen, "step 7");
    EXPECT_EQ(status, exitUsage);
}

// panel_host's own allocation failure, in a step, is its own status, never
// the panel's abort.
TEST(GuardedProcess, OwnOutOfMemoryIsTheHostsFailure) {
    EXPECT_EQ(guarded([] {
                  step_guard_enter("step 2 x.scn:3: expect-commands");
                  throw std::bad_alloc();
                  return 0;
              }),
              exitEmulatorFault);
}
#endif

} // namespace
