// The watchdog counts only the panel's own time in a step. Each case runs in
// a child process, since the watchdog ends the process it guards.
#include "session/step_guard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace quon::host;

namespace {

void pass(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }

#if GTEST_HAS_DEATH_TEST
using namespace std::chrono_literals;

TEST(StepGuardDeathTest, EmulatorTimeIsNotThePanels) {
    EXPECT_EXIT(
        {
            step_guard_install(1);
            step_guard_enter("step 1");
            {
                const step_guard_emulator_time emulator;
                pass(1500ms);
            }
            pass(300ms);
            step_guard_leave();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(StepGuardDeathTest, PanelTimeAddsUpAcrossEmulatorCalls) {
    EXPECT_EXIT(
        {
            step_guard_install(1);
            step_guard_enter("step 2");
            for (int i = 0; i < 10; ++i) {
                pass(300ms); // the panel
                const step_guard_emulator_time emulator;
                pass(10ms);
            }
            std::exit(0);
        },
        testing::ExitedWithCode(exitPanelHung), "did not return within 1 s during step 2");
}

TEST(StepGuardDeathTest, ANewStepHasItsWholeTime) {
    EXPECT_EXIT(
        {
            step_guard_install(1);
            for (int i = 0; i < 3; ++i) {
                step_guard_enter("step");
                pass(700ms);
            }
            step_guard_leave();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

// The reporter hears the fault as a value, before the words on stderr.
void report(guard_fault fault, unsigned long code, const char* step) {
    std::fprintf(stderr, "[reported %d %lu %s]\n", static_cast<int>(fault), code, step);
}

// The emulator's time, once per command, does not wake the watchdog once it
// waits for the step's deadline: counted, a thousand commands, no wake.
TEST(StepGuardDeathTest, CommandsDoNotWakeTheWatchdog) {
    EXPECT_EXIT(
        {
            step_guard_install(60);
            step_guard_enter("step 1");
            for (int i = 0; i < 10000 && !step_guard_watch_state().onDeadline; ++i) pass(1ms);
            const step_guard_watch before = step_guard_watch_state();
            for (int i = 0; i < 1000; ++i) const step_guard_emulator_time command;
            step_guard_leave();
            step_guard_enter("step 2");
            const step_guard_watch after = step_guard_watch_state();
            std::fprintf(stderr, "on deadline %d, wakes %llu\n", before.onDeadline ? 1 : 0, after.wakes - before.wakes);
            std::exit(before.onDeadline && after.wakes == before.wakes ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(StepGuardDeathTest, TheReporterIsToldTheFaultBeforeTheProcessEnds) {
    EXPECT_EXIT(
        {
            step_guard_report_to(report);
            step_guard_install(1);
            step_guard_enter("step 3");
            std::raise(SIGABRT);
        },
        testing::ExitedWithCode(exitPanelCrashed),
        "\\[reported 0 " + std::to_string(SIGABRT) +
            " step 3\\]\\s*panel_host: the panel aborted \\(SIGABRT\\) during step 3");
    EXPECT_EXIT(
        {
            step_guard_report_to(report);
            step_guard_install(1);
            step_guard_enter("step 4");
            pass(3000ms);
        },
        testing::ExitedWithCode(exitPanelHung),
        "\\[reported 2 1 step 4\\]\\s*panel_host: the panel did not return within 1 s during step 4");
}
#endif

} // namespace
