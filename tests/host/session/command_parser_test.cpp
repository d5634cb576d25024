#include "session/command_parser.h"
#include "cost_ratio.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace quon::host;

namespace {

struct good_case {
    const char* text;
    const char* code;
    std::vector<std::string> texts;
    std::vector<std::int32_t> numbers;
    bool add;
};

TEST(CommandParser, ReadsEveryCodeOfTheVocabulary) {
    const good_case cases[] = {
        {"PS '1' 'kivren/panel1024.quon_ui'", "PS", {"1", "kivren/panel1024.quon_ui"}, {}, false},
        {"PS '1' 'p.ui' 'x'", "PS", {"1", "p.ui", "x"}, {}, false},
        {"TP 'pixmap=chanimg/parked.jpg' '1' 'Mon_5'", "TP", {"pixmap=chanimg/parked.jpg", "1", "Mon_5"}, {}, false},
        {"TG '1' 'alm_3' 'value'", "TG", {"1", "alm_3", "value"}, {}, false},
        {"XI '1' 'alm_'", "XI", {"1", "alm_"}, {}, false},
        {"XI '1' ''", "XI", {"1", ""}, {}, false},
        {"RN 3 6 12", "RN", {}, {3, 6, 12}, false},
        {"RR 3 1 16 'ADD'", "RR", {}, {3, 1, 16}, true},
        {"IR 2 1 40", "IR", {}, {2, 1, 40}, false},
        {"GR 1 1 16", "GR", {}, {1, 1, 16}, false},
        {"RP 3 1 16", "RP", {}, {3, 1, 16}, false},
        {"IP 2 1 40", "IP", {}, {2, 1, 40}, false},
        {"GP 1 1 16", "GP", {}, {1, 1, 16}, false},
        {"RU -1", "RU", {}, {-1}, false},
        {"IU 2", "IU", {}, {2}, false},
        {"GU 0", "GU", {}, {0}, false},
        {"ET -2147483648", "ET", {}, {INT32_MIN}, false},
        {"AS", "AS", {}, {}, false},
        // Fields are unescaped: apostrophes, spaces and "=" come through.
        {"TP 'text=it's a = b' '1' 'UMD_1'", "TP", {"text=it's a = b", "1", "UMD_1"}, {}, false},
        // A separator inside the first field: the last ones are the real ones.
        {"TP 'text=a' 'b' '1' 'UMD_2'", "TP", {"text=a' 'b", "1", "UMD_2"}, {}, false},
        {"TP '=' '' ''", "TP", {"=", "", ""}, {}, false},
    };
    for (const good_case& c : cases) {
        SCOPED_TRACE(c.text);
        parsed_command p = parse_command(c.text);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.command.code, c.code);
        EXPECT_EQ(p.command.texts, c.texts);
        EXPECT_EQ(p.command.numbers, c.numbers);
        EXPECT_EQ(p.command.add, c.add);
    }
}

TEST(CommandParser, RejectsMalformedTextsSayingWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "empty command"},
        {"ZZ 1 2", "unknown code \"ZZ\""},
        {"tp 'a=b' '1' 'x'", "unknown code"},
        {"RR 3 x 16", "non-numeric field \"x\""},
        {"RR 3 1", "expects 3 or 4 fields, got 2"},
        {"RR 3 1 16 'DEL'", "unknown option 'DEL'"},
        {"RR 3 1 16 ADD", "not a text between apostrophes"},
        {"RP 3 1 16 'ADD'", "expects 3 fields, got 4"},
        {"RN 3  6 1", "expects 3 fields, got 4"},
        {"RN 3 6 1 ", "expects 3 fields, got 4"},
        {"ET 007", "leading zero"},
        {"ET -", "has no digits"},
        {"ET -0", "number field \"-0\" is a negative zero"},
        {"RP 3 -0 16", "negative zero"},
        {"ET +1", "non-numeric"},
        {"ET 2147483648", "outside 32 bits"},
        {"ET", "missing fields"},
        {"ET ", "trailing space"},
        {"AS x", "AS takes no fields"},
        {"TP 'a=b' '1", "missing closing apostrophe"},
        {"TP a=b '1' 'x'", "does not start with an apostrophe"},
        {"TP 'a=b' '1'", "expects 3 text fields, got 2"},
        {"TG '1' 'x' 'value' 'y'", nullptr}, // surplus folds into the first field: accepted
        {"XI '1'alm_'", "expects 2 text fields, got 1"},
        {"'", "unknown code"},
    };
    for (const auto& [text, why] : cases) {
        SCOPED_TRACE(text);
        parsed_command p = parse_command(text);
        if (!why) {
            EXPECT_TRUE(p.ok) << p.error;
            continue;
        }
        EXPECT_FALSE(p.ok);
        EXPECT_NE(p.error.find(why), std::string::npos) << "error was: " << p.error;
    }
    EXPECT_FALSE(parse_command(nullptr).ok);
}

// An unknown code that a devices file could declare names the declaration
// and how validate reads it, on one line; a code it could not declare does not.
TEST(CommandParser, UnknownCodeNamesTheDeclarationThatWouldMakeItKnown) {
    const std::pair<const char*, bool> cases[] = {
        {"XQ 1 3 1", true}, {"ZZZZ", true},     {"XQS 1", true}, {"tp 'a=b' '1' 'x'", false},
        {"X 1", false},     {"ABCDE 1", false}, {"'", false},
    };
    for (const auto& [text, hinted] : cases) {
        SCOPED_TRACE(text);
        const parsed_command p = parse_command(text);
        ASSERT_FALSE(p.ok);
        const std::string code = std::string(text).substr(0, std::string(text).find(' '));
        EXPECT_EQ(p.error.find("\"command " + code + " EFFECT\"") != std::string::npos, hinted) << p.error;
        EXPECT_EQ(p.error.find("quon_add_panel(... DEVICES ...)") != std::string::npos, hinted) << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

// Every row of the command table parses a text written from its own layout,
// and only that row's code finds it: the table and this parser agree.
TEST(CommandParser, ReadsEveryRowOfTheCommandTable) {
    for (const quon_command& row : quon_commands) {
        std::string text = row.code;
        std::size_t texts = 0, numbers = 0;
        for (const char* f = row.fields; *f; ++f) {
            if (*f == 'T' || *f == 'o') text += " '" + std::to_string(++texts) + "'";
            else if (*f == 'N') text += " -" + std::to_string(++numbers);
            else text += " 'ADD'";
        }
        SCOPED_TRACE(text);
        const parsed_command p = parse_command(text.c_str());
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.command.known, &row);
        EXPECT_EQ(p.command.texts.size(), texts);
        EXPECT_EQ(p.command.numbers.size(), numbers);
        EXPECT_EQ(p.command.add, std::string(row.fields).find('a') != std::string::npos);
    }
}

// Codes a devices file declares take their effect's fields; others stay unknown.
TEST(CommandParser, ReadsDeclaredCommandsByTheirEffect) {
    const std::vector<declared_command> declared = {{"XQ", command_effect::route, "d:1"},
                                                    {"XW", command_effect::info, "d:2"},
                                                    {"XTS", command_effect::timer_start, "d:3"},
                                                    {"ANYX", command_effect::accept, "d:4"}};
    struct declared_case {
        const char* text;
        const char* error; // null: accepted
        std::vector<std::int32_t> numbers;
        std::vector<std::string> texts;
    };
    const declared_case cases[] = {
        {"XQ 4 9 5", nullptr, {4, 9, 5}, {}},
        {"XQ 4 9", "expects 3 fields, got 2", {}, {}},
        {"XQ 4 9 x", "non-numeric field \"x\"", {}, {}},
        {"XW 2 7 'Studio A' B'", nullptr, {2, 7}, {"Studio A' B"}},
        {"XW 2 7", "expects 2 numbers, then text fields", {}, {}},
        {"XW 2 7 text", "does not start with an apostrophe", {}, {}},
        {"XTS 3 500", nullptr, {3, 500}, {}},
        {"ANYX", nullptr, {}, {}},
        {"ANYX whatever 'goes'", nullptr, {}, {}},
        {"XQS 1 2 3", "unknown code \"XQS\"", {}, {}},
    };
    for (const declared_case& c : cases) {
        SCOPED_TRACE(c.text);
        const parsed_command p = parse_command(c.text, declared);
        EXPECT_EQ(p.ok, c.error == nullptr) << p.error;
        if (c.error) {
            EXPECT_NE(p.error.find(c.error), std::string::npos) << "error was: " << p.error;
        }
        EXPECT_EQ(p.command.known, nullptr);
        if (!p.ok) continue;
        EXPECT_EQ(p.command.numbers, c.numbers);
        EXPECT_EQ(p.command.texts, c.texts);
    }
    EXPECT_FALSE(parse_command("XQ 4 9 5").ok); // undeclared, it is malformed
}

// Surplus separators fold into the first field in one pass: 200,000 of them
// took minutes when they were folded back one at a time (quadratic).
TEST(CommandParser, ManySeparatorsTakeLinearTime) {
    const auto field = [](std::size_t separators) {
        std::string first = "text=";
        for (std::size_t i = 0; i < separators; ++i) first += "' '";
        return first;
    };
    const double ratio = cost_ratio([&](std::size_t n) { return "TP '" + field(n) + "' '1' 'UMD_1'"; },
                                    [](const std::string& text) { EXPECT_TRUE(parse_command(text.c_str()).ok); }, 2000);
    if (threadTimeMeasured) ASSERT_LT(ratio, 30) << "ten times the separators cost " << ratio << " times as much";
    else std::printf("ten times the separators cost %.1f times as much (wall time, not asserted)\n", ratio);
    const std::string first = field(200000);
    const parsed_command p = parse_command(("TP '" + first + "' '1' 'UMD_1'").c_str());
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.command.texts, (std::vector<std::string>{first, "1", "UMD_1"}));
}

} // namespace
