// A saved case's file reads back as written, and a run's output gives the
// fault signature the cutter compares: same status, same class of fault.
#include "validation/replay.h"
#include "validation/saved_case.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#ifndef _WIN32
#include <stdlib.h>
#include <sys/stat.h>
#endif

using namespace quon::host;

namespace {

TEST(saved_case, reads_back_as_written) {
    saved_case c;
    c.check = "null records";
    c.kind = "malformed-command";
    c.fault = "malformed command \"XX\"\nsecond line";
    c.devicesStep = "devices \"/tmp/a b.devices\"";
    c.steps = {"button 1 Arm \"press\"", "property \"# not a comment\""};
    c.notes = {"a note"};
    c.strict = true;
    const std::string text = case_text(c, "/lib/p.so", "/cases/x.scn");
    EXPECT_EQ(text.find("# replay: panel_host run /lib/p.so /cases/x.scn --strict\n"), text.find("# replay"));
    saved_case back;
    ASSERT_TRUE(read_case(text, back));
    EXPECT_EQ(back.finder, "panel_host validate");
    c.finder = "fuzz_zed"; // a panel's fuzz target writes them too
    ASSERT_TRUE(read_case(case_text(c, "/lib/p.so", "/cases/x.scn"), back));
    EXPECT_EQ(back.finder, "fuzz_zed");
    EXPECT_EQ(back.check, c.check);
    EXPECT_EQ(back.kind, c.kind);
    EXPECT_EQ(back.fault, "malformed command \"XX\"\\nsecond line"); // one line
    EXPECT_EQ(back.devicesStep, c.devicesStep);
    EXPECT_EQ(back.steps, c.steps);
    EXPECT_EQ(back.notes, c.notes);
    EXPECT_TRUE(back.strict);
    EXPECT_EQ(back.memoryLimitMb, 0);
    // A fuzz target's out-of-memory replays within the fuzzer's bound.
    c.strict = false;
    c.memoryLimitMb = 2048;
    ASSERT_TRUE(read_case(case_text(c, "/lib/p.so", "/cases/x.scn"), back));
    EXPECT_EQ(replay_command(back, "/lib/p.so", "/cases/x.scn"),
              "panel_host run /lib/p.so /cases/x.scn --memory-limit 2048");
    EXPECT_FALSE(read_case("button 1 Arm \"press\"\n", back)); // a scenario of someone else's
}

TEST(classify_run, names_the_fault_by_status_and_class) {
    struct row {
        int status;
        const char* output;
        const char* caseKind;
        const char* kind; // empty: no fault of the case's kind
    };
    const row rows[] = {
        {3, "> kind 2\npanel_host: the panel crashed (SIGSEGV) during step 2 a.scn:5: button 1 Fire \"press\"\n",
         "crash", "the panel crashed (SIGSEGV)"},
        {3, "panel_host: the panel ended the process (exit status 0) after step 1 a.scn:3: x\n", "crash",
         "the panel ended the process (exit status 0)"},
        {4, "panel_host: the panel did not return within 10 s during step 7 x\n", "hang",
         "the panel did not return within 10 s"},
        {1, "    ! no router device numbered 7\n    ! malformed command, skipped: unknown code \"XQ\"\n",
         "malformed-command", "malformed command, skipped"},
        {1, "    ! command after the panel signed off: TP 'a' (not executed)\n", "after-sign-off",
         "command after the panel signed off"},
        {1, "hand-backs: 3 (0 null), replies never handed back: 2\n", "reply", "replies never handed back"},
        {1, "hand-backs: 3 (0 null), replies never handed back: 0\n", "reply", ""},
        {1, "    ! no router device numbered 7\n", "after-sign-off", ""},
        {0, "panel_host: the panel crashed (SIGSEGV) during x\n", "crash", ""}, // status 0 is no crash
        {2, "panel_host: a.scn:3: unknown step \"jump\"\n", "crash", ""},
    };
    for (const row& r : rows) {
        const fault_signature s = classify_run(r.status, r.output, r.caseKind);
        EXPECT_EQ(s.kind, r.kind) << r.output;
        EXPECT_EQ(s.status, r.status);
    }
    // Two crashes at different steps are the same fault; a crash and an abort are not.
    const fault_signature a = classify_run(3, "panel_host: the panel crashed (SIGSEGV) during step 9 x\n", "crash");
    EXPECT_TRUE(a.same(classify_run(3, "panel_host: the panel crashed (SIGSEGV) during step 2 y\n", "crash")));
    EXPECT_FALSE(a.same(classify_run(3, "panel_host: the panel aborted (SIGABRT) during step 9 x\n", "crash")));
}

// A run's output is read as it comes, in chunks of any size: the fault lines
// are kept whole across chunks, and reading copies each byte a bounded number
// of times, so four times the output costs four times as much, however far
// the reader fell behind (one chunk of everything) or kept up.
TEST(fault_line_filter, keeps_fault_lines_and_reads_in_linear_cost) {
    const std::string conversation = "  < kind 0 TP 'text=1' '1' 'Take'\n";
    auto output = [&](std::size_t lines) {
        std::string text;
        for (std::size_t i = 0; i < lines; ++i) text += conversation;
        return text + "    ! malformed command \"XX\"\nreplies never handed back: 2\n";
    };
    auto copied = [&](std::size_t lines, std::size_t chunk) {
        const std::string text = output(lines);
        fault_line_filter filter;
        for (std::size_t at = 0; at < text.size(); at += chunk) filter.take(text.substr(at, chunk));
        EXPECT_EQ(filter.kept(), "    ! malformed command \"XX\"\nreplies never handed back: 2\n");
        return filter.bytes_copied();
    };
    for (std::size_t chunk : {std::size_t(7), std::size_t(4096), std::size_t(1) << 30}) {
        SCOPED_TRACE("chunks of " + std::to_string(chunk) + " bytes");
        const std::size_t small = copied(5000, chunk), large = copied(20000, chunk);
        EXPECT_LE(large, 2 * output(20000).size());
        EXPECT_LE(large, 4 * small + 4096);
    }
}

#ifndef _WIN32
// A replay that writes without pause still ends at its deadline: the program
// a shell script that writes forever, whatever its arguments.
TEST(replay_case, ends_a_run_that_never_stops_writing) {
    char dir[] = "/tmp/replay_case_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string program = std::string(dir) + "/flood";
    std::ofstream(program) << "#!/bin/sh\nexec yes \"  < kind 0 TP 'text=1' '1' 'Take'\"\n";
    ASSERT_EQ(chmod(program.c_str(), 0700), 0);
    replay_setup setup{program, "library", 0};
    setup.grace = 1;
    saved_case crash;
    crash.kind = crashCase;
    const fault_signature s = replay_case(setup, "case.scn", crash);
    EXPECT_EQ(s.kind, "the replay did not end in time") << s.status << " " << s.fault;
    std::filesystem::remove_all(dir);
}
#endif

// With CHECK-KIND.scn and -1 to -1000 taken, a new case takes a name of its
// own and no case is written over; the name is made at once, so two savers
// never get the same one.
TEST(reserve_case_file, never_takes_a_name_in_use) {
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("reserve_case_file-" + std::to_string(std::random_device{}()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    saved_case c;
    c.check = "controls";
    c.kind = "crash";
    auto name = [&](int n) {
        return (dir / ("controls-crash" + (n ? "-" + std::to_string(n) : "") + ".scn")).string();
    };
    for (int n = 0; n <= 1000; ++n) std::ofstream(name(n)) << "case " << n << "\n";
    std::string error;
    const std::string first = reserve_case_file(dir.string(), c, error),
                      second = reserve_case_file(dir.string(), c, error);
    EXPECT_EQ(first, name(1001)) << error;
    EXPECT_EQ(second, name(1002)) << error;
    for (int n = 0; n <= 1000; ++n) {
        std::ifstream in(name(n));
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, "case " + std::to_string(n));
    }
    std::filesystem::remove_all(dir);
}

// A hang's replay names the time bound it hung past, a soak's finding its
// measuring and budget, and they read back.
TEST(saved_case, a_replay_names_its_options_and_they_read_back) {
    saved_case c;
    c.check = "controls";
    c.kind = "hang";
    c.timeout = 3;
    std::string text = case_text(c, "/lib/p.so", "/cases/x.scn");
    EXPECT_NE(text.find("# replay: panel_host run /lib/p.so /cases/x.scn --timeout 3\n"), std::string::npos) << text;
    saved_case back;
    ASSERT_TRUE(read_case(text, back));
    EXPECT_EQ(back.timeout, 3);
    EXPECT_FALSE(back.measure);
    c = saved_case{};
    c.check = "soak";
    c.kind = "over-budget-press";
    c.measure = true;
    c.budgetMs = 5;
    text = case_text(c, "/lib/p.so", "/cases/x.scn");
    EXPECT_NE(text.find("# replay: panel_host run /lib/p.so /cases/x.scn --measure --budget-ms 5\n"), std::string::npos)
        << text;
    ASSERT_TRUE(read_case(text, back));
    EXPECT_TRUE(back.measure);
    EXPECT_EQ(back.budgetMs, 5);
    EXPECT_FALSE(back.strict);
}

} // namespace
