#include "scenario.h"
#include "scenario_runner.h"

#include <gtest/gtest.h>

namespace {

scenario parse_ok(const std::string& text) {
    scenario s;
    std::string error;
    EXPECT_TRUE(parse_scenario(text, "t.scn", s, error)) << error;
    return s;
}

TEST(ScenarioParser, ReadsEveryStep) {
    const scenario s = parse_ok(
        "# a comment\n"
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
        "snapshot page.svg\n"
        "say hello\n"
        "stop\n"
        "start\n");
    ASSERT_EQ(s.steps.size(), 22u);
    const auto& st = s.steps;
    EXPECT_EQ(st[0].kind, step_kind::route);
    EXPECT_EQ(st[0].where, "t.scn:3");
    EXPECT_EQ(st[0].number, 5);
    EXPECT_EQ(st[0].number2, 3);
    EXPECT_EQ(st[1].number2, 0); // park
    EXPECT_TRUE(st[2].on);
    EXPECT_FALSE(st[3].on);
    EXPECT_EQ(st[3].where, "t.scn:6");
    EXPECT_EQ(st[4].text, "Studio  A & B");
    EXPECT_EQ(st[5].text, "  padded \"q\" ");
    EXPECT_EQ(st[6].text, "3");
    EXPECT_EQ(st[7].number, 40);
    EXPECT_EQ(st[7].text, "");
    EXPECT_EQ(st[8].text, "chanimg/other.jpg");
    EXPECT_EQ(st[9].text, "myParam.x=a=b");
    EXPECT_EQ(st[10].text, "1");
    EXPECT_EQ(st[10].text2, "Mon_5");
    EXPECT_EQ(st[10].text3, "press=1");
    EXPECT_EQ(st[11].number, -7);
    EXPECT_EQ(st[12].lines, (std::vector<std::string>{"TP 'pixmap=chanimg/src3.jpg' '1' 'Mon_5'", "..."}));
    EXPECT_TRUE(st[13].lines.empty());
    EXPECT_EQ(st[14].text3, "Studio  A & B");
    EXPECT_EQ(st[15].text, "2/GPI_1");
    EXPECT_EQ(st[15].text3, "");
    EXPECT_TRUE(st[16].null);
    EXPECT_FALSE(st[17].null);
    EXPECT_EQ(st[17].text, "null");
    EXPECT_EQ(st[18].text, "page.svg");
    EXPECT_EQ(st[21].kind, step_kind::start);
    EXPECT_TRUE(s.explicitStart);
    EXPECT_FALSE(parse_ok("route 1 1\n").explicitStart);
}

TEST(ScenarioParser, SyntaxErrorsNameFileLineAndWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"route 1 2\nroot 1 2\n", "t.scn:2: unknown step \"root\""},
        {"route 1\n", "t.scn:1: missing fields (usage: route DESTINATION SOURCE|park)"},
        {"route 1 2 3\n", "t.scn:1: unexpected fields"},
        {"route x 2\n", "t.scn:1: destination \"x\" is not a number"},
        {"route 1 99999999999\n", "source \"99999999999\" is not a number"},
        {"gpi 3 maybe\n", "t.scn:1: GPI state \"maybe\" is neither on nor off"},
        {"umd 3\n", "t.scn:1: missing fields"},
        {"umd 3 \"bad \\q\"\n", "unknown escape \\q"},
        {"property\n", "t.scn:1: missing text"},
        {"button 1 Mon_1\n", "missing fields"},
        {"timer 1.5\n", "timer id \"1.5\" is not a number"},
        {"expect-commands some\n", "takes \"none\" or a block"},
        {"\n\nexpect-commands\nTP 'a=b' '1' 'x'\n", "t.scn:3: expect-commands block has no \"end\""},
        {"expect-answer\n", "missing answer"},
        {"expect-property Mon_1 pixmap\n", "missing fields"},
        {"snapshot a.svg b.svg\n", "unexpected fields"},
        {"stop now\n", "unexpected fields"},
    };
    for (const auto& [text, why] : cases) {
        SCOPED_TRACE(text);
        scenario s;
        std::string error;
        EXPECT_FALSE(parse_scenario(text, "t.scn", s, error));
        EXPECT_NE(error.find(why), std::string::npos) << "error was: " << error;
    }
}

TEST(ScenarioParser, MissingFileIsAnError) {
    scenario s;
    std::string error;
    EXPECT_FALSE(load_scenario("/nonexistent/x.scn", s, error));
    EXPECT_NE(error.find("/nonexistent/x.scn"), std::string::npos);
}

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
