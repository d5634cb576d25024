#include "base/utf8_text.h"
#include "scenario/format.h"
#include "scenario/runner.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using namespace quon::host;

namespace {

scenario parse_ok(const std::string& text) {
    scenario s;
    std::string error;
    EXPECT_TRUE(parse_scenario(text, "t.scn", s, error)) << error;
    return s;
}

template <typename T>
const T& step(const scenario& s, std::size_t i) {
    EXPECT_LT(i, s.steps.size());
    EXPECT_TRUE(std::holds_alternative<T>(s.steps[i].action)) << "step " << i << ": " << s.steps[i].source;
    static const T none{};
    const T* got = std::get_if<T>(&s.steps[i].action);
    return got ? *got : none;
}

TEST(ScenarioParser, ReadsEveryStepIntoItsNamedFields) {
    const scenario s = parse_ok("# a comment\n"
                                "\n"
                                "route 5 3\n"
                                "route 6 park\n"
                                "gpi 7 on\n"
                                "  gpi 8 off  \n"
                                "umd 3 Studio  A & B\n"
                                "umd 4 \"  padded \\\"q\\\" \"\n"
                                "tally 12 3\n"
                                "info 40 \"\"\n"
                                "source 2 chanimg/other.jpg\n"
                                "property myParam.x=a=b\n"
                                "button 1 Mon_5 press=1\n"
                                "timer -7\n"
                                "expect-commands\n"
                                "  TP 'pixmap=chanimg/src3.jpg' '1' 'Mon_5'\n"
                                "  # comments inside a block are skipped\n"
                                "  ...\n"
                                "end\n"
                                "expect-commands none\n"
                                "expect-property UMD_3 text Studio  A & B\n"
                                "expect-property 2/GPI_1 colour.text \"\"\n"
                                "expect-answer null\n"
                                "expect-answer \"null\"\n"
                                "snapshot pics/page.svg\n"
                                "say hello\n"
                                "stop\n"
                                "start\n");
    ASSERT_EQ(s.steps.size(), 22u);
    EXPECT_EQ(s.steps[0].where, "t.scn:3");
    EXPECT_EQ(s.steps[3].where, "t.scn:6");
    EXPECT_EQ(step<route_step>(s, 0).destination, 5);
    EXPECT_EQ(step<route_step>(s, 0).source, 3);
    EXPECT_EQ(step<route_step>(s, 1).source, 0); // park
    EXPECT_TRUE(step<gpi_step>(s, 2).on);
    EXPECT_EQ(step<gpi_step>(s, 3).input, 8);
    EXPECT_FALSE(step<gpi_step>(s, 3).on);
    EXPECT_EQ(step<umd_step>(s, 4).text, "Studio  A & B");
    EXPECT_EQ(step<umd_step>(s, 5).text, "  padded \"q\" ");
    EXPECT_EQ(step<tally_step>(s, 6).display, 12);
    EXPECT_EQ(step<tally_step>(s, 6).state, "3");
    EXPECT_EQ(step<info_step>(s, 7).slot, 40);
    EXPECT_EQ(step<info_step>(s, 7).text, "");
    EXPECT_EQ(step<source_step>(s, 8).picture, "chanimg/other.jpg");
    EXPECT_EQ(step<property_step>(s, 9).message, "myParam.x=a=b");
    const button_step& b = step<button_step>(s, 10);
    EXPECT_EQ(b.panel + "|" + b.control + "|" + b.event, "1|Mon_5|press=1");
    EXPECT_EQ(step<timer_step>(s, 11).id, -7);
    EXPECT_EQ(step<expect_commands_step>(s, 12).lines,
              (std::vector<std::string>{"TP 'pixmap=chanimg/src3.jpg' '1' 'Mon_5'", "..."}));
    EXPECT_TRUE(step<expect_commands_step>(s, 13).lines.empty());
    const expect_property_step& p = step<expect_property_step>(s, 14);
    EXPECT_EQ(p.panel + "|" + p.control + "|" + p.property + "|" + p.value, "|UMD_3|text|Studio  A & B");
    const expect_property_step& q = step<expect_property_step>(s, 15);
    EXPECT_EQ(q.panel + "|" + q.control + "|" + q.property + "|" + q.value, "2|GPI_1|colour.text|");
    EXPECT_FALSE(step<expect_answer_step>(s, 16).answer.has_value());
    EXPECT_EQ(step<expect_answer_step>(s, 17).answer, std::optional<std::string>("null"));
    EXPECT_EQ(step<snapshot_step>(s, 18).file, "pics/page.svg");
    EXPECT_EQ(step<say_step>(s, 19).text, "hello");
    step<stop_step>(s, 20);
    step<start_step>(s, 21);
    for (const scenario_step& st : s.steps) // each step's name is the keyword it was written with
        EXPECT_EQ(st.source.compare(0, std::string(step_name(st.action)).size(), step_name(st.action)), 0);
    EXPECT_TRUE(s.explicitStart);
    EXPECT_FALSE(parse_ok("route 1 1\n").explicitStart);
}

// A studio's steps: each names its script, and writes back as it was read;
// only a "start" of every script makes the start explicit (a recording's
// "restart" leaves the replay to start the panel before its first step).
TEST(ScenarioParser, ScriptStepsNameTheirScript) {
    const scenario s = parse_ok("script relay\nstart watch\nstop  watch\nstop\nrestart  watch\nrestart\n");
    EXPECT_EQ(step<script_step>(s, 0).name, "relay");
    EXPECT_EQ(step<start_step>(s, 1).script, "watch");
    EXPECT_EQ(step<stop_step>(s, 2).script, "watch");
    EXPECT_EQ(step<stop_step>(s, 3).script, "");
    EXPECT_EQ(*named_script(s.steps[4].action), "watch");
    EXPECT_EQ(named_script(s.steps[5].action), nullptr);
    const char* const written[] = {"script relay", "start watch", "stop watch", "stop", "restart watch", "restart"};
    for (std::size_t i = 0; i < s.steps.size(); ++i) EXPECT_EQ(write_step(s.steps[i].action), written[i]);
    EXPECT_TRUE(is_check(s.steps[0].action)); // it picks a script and changes nothing
    EXPECT_FALSE(s.explicitStart);
    EXPECT_TRUE(parse_ok("start watch\nstart\n").explicitStart);
}

// Any text a panel may get or give writes as one line with nothing a
// terminal acts on (control bytes, C1 controls, bytes of no character as
// \xNN) and reads back byte for byte.
TEST(ScenarioParser, AnyTextWritesPrintableAndReadsBack) {
    const std::string texts[] = {"\x1b]0;title\x07",        "a\tb\r\nc", std::string("\x7f\x01\x9b\xc2\x9b\xe9", 6),
                                 "caf\xc3\xa9 \"q\" \\x41", "\\xZZ",     ""};
    for (const std::string& text : texts) {
        SCOPED_TRACE(::testing::PrintToString(text));
        const std::string line = write_step(say_step{text});
        EXPECT_EQ(printable(line), line); // nothing left to escape
        EXPECT_EQ(step<say_step>(parse_ok(line + "\n"), 0).text, text) << line;
    }
}

TEST(ScenarioParser, DevicesFilesAreNamedFromTheScenariosFolder) {
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario("devices ../studio.devices\ndevices /abs/x.devices\ndevices \"a b.devices\"\n",
                               "panels/p/scenarios/t.scn", s, error))
        << error;
    EXPECT_EQ(step<devices_step>(s, 0).file, "panels/p/studio.devices");
    EXPECT_EQ(step<devices_step>(s, 1).file, "/abs/x.devices");
    EXPECT_EQ(step<devices_step>(s, 2).file, "panels/p/scenarios/a b.devices");
    EXPECT_FALSE(s.explicitStart);
}

TEST(ScenarioParser, SkipsAByteOrderMark) {
    const scenario s = parse_ok("\xEF\xBB\xBFroute 1 2\n");
    EXPECT_EQ(step<route_step>(s, 0).source, 2);
}

TEST(ScenarioParser, SyntaxErrorsNameFileLineAndWhy) {
    const std::pair<std::string, const char*> cases[] = {
        {"route 1 2\nroot 1 2\n", "t.scn:2: unknown step \"root\""},
        {"route 1\n", "t.scn:1: missing SOURCE (usage: route DESTINATION SOURCE|park)"},
        {"route 1 2 3\n", "t.scn:1: unexpected fields \"3\""},
        {"route x 2\n", "t.scn:1: DESTINATION \"x\" is not a number"},
        {"route 1 99999999999\n", "SOURCE \"99999999999\" is out of range (-2147483648 to 2147483647)"},
        // Numbers are plain decimal: no sign but "-", no vertical tab, and a NUL does not end them.
        {"route +1 2\n", "DESTINATION \"+1\" is not a number"},
        {"route \v1 2\n", "DESTINATION \"\\x0b1\" is not a number"},
        {std::string("route 1 2\0junk\n", 15), "t.scn:1: NUL byte in the line"},
        {"gpi 3 maybe\n", "t.scn:1: GPI state \"maybe\" is neither on nor off"},
        {"umd 3\n", "t.scn:1: missing TEXT"},
        {"umd 3 \"bad \\q\"\n", "unknown escape \\q"},
        {"property\n", "t.scn:1: missing MESSAGE"},
        {"button 1 Mon_1\n", "missing EVENT"},
        {"timer 1.5\n", "ID \"1.5\" is not a number"},
        {"wait soon\n", "t.scn:1: MS \"soon\" is not a number (milliseconds of virtual time, up to one day)"},
        {"wait 86400001\n", "MS \"86400001\" is out of range (0 to 86400000)"},
        {"wait -1\n", "out of range"},
        {"wait 5 5\n", "unexpected fields"},
        {"timer -0\n", "ID \"-0\" is a negative zero"},
        {"route 1 -0\n", "SOURCE \"-0\" is a negative zero"},
        {"expect-commands some\n", "takes \"none\" or a block"},
        {"\n\nexpect-commands\nTP 'a=b' '1' 'x'\n", "t.scn:3: expect-commands block has no \"end\""},
        {"expect-answer\n", "missing ANSWER"},
        {"expect-property Mon_1 pixmap\n", "missing VALUE"},
        {"expect-property /Mon_1 pixmap x\n", "PANEL/CONTROL needs both names"},
        {"snapshot a.svg b.svg\n", "unexpected fields"},
        {"stop now later\n", "unexpected fields \"later\" (usage: stop [SCRIPT])"},
        {"script\n", "missing NAME (usage: script NAME)"},
        {"script a b\n", "unexpected fields \"b\""},
        // Snapshots stay inside the output directory.
        {"snapshot ../../x.svg\n", "t.scn:1: snapshot ../../x.svg leaves the output directory"},
        {"snapshot a/../../x.svg\n", "leaves the output directory"},
        {"snapshot /tmp/x.svg\n", "leaves the output directory"},
        {"snapshot C:x.svg\n", "leaves the output directory"},
        {"snapshot ..\\x.svg\n", "leaves the output directory"},
        {"say " + std::string(maxScenarioLineBytes, 'x') + "\n", "t.scn:1: line longer than 1048576 bytes"},
    };
    for (const auto& [text, why] : cases) {
        SCOPED_TRACE(text.substr(0, 60));
        scenario s;
        std::string error;
        EXPECT_FALSE(parse_scenario(text, "t.scn", s, error));
        EXPECT_NE(error.find(why), std::string::npos) << "error was: " << error.substr(0, 200);
    }
}

TEST(ScenarioLoader, RefusesWhatIsNotAScenarioFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("scenario_loader_test_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    struct load_case {
        std::string path;
        load_result result;
        const char* why;
    };
    std::vector<load_case> cases = {
        {(dir / "missing.scn").string(), load_result::unreadable, "cannot read scenario "},
        {dir.string(), load_result::invalid, "is a directory, not a file"},
    };
    const fs::path big = dir / "big.scn";
    std::ofstream(big, std::ios::binary) << std::string(maxScenarioBytes + 1, '\n');
    cases.push_back({big.string(), load_result::invalid, "is larger than 16777216 bytes"});
#ifndef _WIN32
    // A file that never ends, and one that blocks the reader until written to.
    cases.push_back({"/dev/zero", load_result::invalid, "is not a regular file (a device)"});
    fs::remove(dir / "pipe.scn");
    ASSERT_EQ(mkfifo((dir / "pipe.scn").c_str(), 0600), 0);
    cases.push_back({(dir / "pipe.scn").string(), load_result::invalid, "is not a regular file (a FIFO)"});
#endif
    for (const load_case& c : cases) {
        SCOPED_TRACE(c.path);
        scenario s;
        std::string error;
        EXPECT_EQ(load_scenario(c.path, s, error), c.result);
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
    }
    fs::remove_all(dir);
}

#ifndef _WIN32
// A relative name without ".." still leaves --out through a link to a folder elsewhere.
TEST(RunOutputs, SnapshotsStayInsideOutThroughLinks) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("snapshot_links_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "out" / "dirlink");
    run_options options;
    options.outDir = (dir / "out").string();
    for (const auto& [text, ok] : {std::pair<const char*, bool>{"snapshot inside/x.svg\n", true},
                                   {"snapshot inside/x.svg\nsnapshot dirlink/x.svg\n", false}}) {
        scenario s;
        std::string error;
        ASSERT_TRUE(parse_scenario(text, "t.scn", s, error)) << error;
        EXPECT_EQ(check_run_outputs(s, options, error), ok) << text;
        if (!ok) {
            EXPECT_EQ(error, "t.scn:2: snapshot dirlink/x.svg leaves the output directory through a link");
        }
    }
    fs::remove_all(dir);
}
#endif

TEST(CommandsMatch, ExactListsAndEllipsis) {
    using list = std::vector<std::string>;
    struct match_case {
        list expected, got;
        bool match;
    };
    const match_case cases[] = {
        {{}, {}, true},
        {{}, {"AS"}, false},
        {{"AS"}, {}, false},
        {{"RU 3", "AS"}, {"RU 3", "AS"}, true},
        {{"AS", "RU 3"}, {"RU 3", "AS"}, false},
        {{"RU 3"}, {"RU 3", "AS"}, false},
        {{"..."}, {}, true},
        {{"..."}, {"a", "b"}, true},
        {{"a", "..."}, {"a", "b", "c"}, true},
        {{"...", "c"}, {"a", "b", "c"}, true},
        {{"...", "b", "..."}, {"a", "b", "c"}, true},
        {{"...", "x", "..."}, {"a", "b", "c"}, false},
        {{"a", "...", "a"}, {"a"}, false},
        {{"a", "...", "a"}, {"a", "a"}, true},
    };
    for (const match_case& c : cases) EXPECT_EQ(commands_match(c.expected, c.got), c.match);
}

} // namespace
