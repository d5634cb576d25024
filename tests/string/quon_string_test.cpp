// quon_string: construction, copies and moves, toInt, arg and split, with
// texts on both sides of the inline capacity (comparisons: quon_string_compare_test.cpp).
#include "quon_string.h"
#include "string_test_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

static_assert(std::has_virtual_destructor<quon_string>::value, "the library's string type is polymorphic");

const std::size_t inlineCap = quon_string::inlineCapacity;

// A text of n bytes that is not all one character, so offsets show.
TEST(QuonString, NullAndEmptyTextGiveTheEmptyString) {
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        quon_string s(text);
        EXPECT_EQ(s.length(), 0u);
        EXPECT_TRUE(s.isEmpty());
        ASSERT_NE(s.c_str(), nullptr);
        EXPECT_STREQ(s.c_str(), "");
    }
    quon_string assigned("x");
    assigned = static_cast<const char*>(nullptr);
    EXPECT_STREQ(assigned.c_str(), "");
    EXPECT_EQ(assigned.length(), 0u);
}

TEST(QuonString, TextIsCopiedNotReferenced) {
    char text[] = "abc";
    quon_string s(text);
    text[0] = 'z';
    EXPECT_EQ(str(s), "abc");
}

TEST(QuonString, LengthCountsBytesIncludingThoseAbove127) {
    quon_string s("\xC3\xA9t\xC3\xA9\xFF");
    EXPECT_EQ(s.length(), 6u);
    EXPECT_EQ(str(s), "\xC3\xA9t\xC3\xA9\xFF");
}

struct IntCase {
    int value;
    char fill;
    unsigned width;
    int radix;
    const char* expected;
};

TEST(QuonString, FromIntegerRendersDigits) {
    const std::vector<IntCase> cases = {
        {0, 0, 0, 10, "0"},
        {1, 0, 0, 10, "1"},
        {16, 0, 0, 10, "16"},
        {-3, 0, 0, 10, "-3"},
        {INT_MAX, 0, 0, 10, "2147483647"},
        {INT_MIN, 0, 0, 10, "-2147483648"},
        {255, 0, 0, 16, "ff"},
        {-255, 0, 0, 16, "-ff"},
        {5, 0, 0, 2, "101"},
        {INT_MIN, 0, 0, 2, "-10000000000000000000000000000000"},
        {35, 0, 0, 36, "z"},
        {5, '0', 3, 10, "005"},
        {7, ' ', 4, 10, "   7"},
        {12345, '0', 3, 10, "12345"}, // wider than asked: no cut
        {5, 0, 3, 10, "5"},           // no fill character: no padding
        {1, '0', 60, 10, "000000000000000000000000000000000000000000000000000000000001"},
    };
    for (const IntCase& c : cases) {
        SCOPED_TRACE(c.expected);
        quon_string s(c.value, c.fill, c.width, c.radix);
        EXPECT_EQ(str(s), c.expected);
        EXPECT_EQ(s.length(), std::string(c.expected).size());
    }
    // The form every caller uses: a plain decimal with the defaults.
    EXPECT_EQ(str(quon_string(-3)), "-3");
}

TEST(QuonString, CopiesAreIndependentAtEverySize) {
    for (std::size_t n : {std::size_t{0}, std::size_t{5}, inlineCap, inlineCap + 1, std::size_t{1000}}) {
        SCOPED_TRACE(n);
        const std::string text = pattern(n);
        quon_string original(text.c_str());
        quon_string copy(original);
        EXPECT_EQ(str(copy), text);
        EXPECT_NE(copy.c_str(), original.c_str());
        copy += "!";
        EXPECT_EQ(str(original), text);

        quon_string assigned("something else entirely, longer than the inline part of it");
        assigned = original;
        EXPECT_EQ(str(assigned), text);
        assigned += "?";
        EXPECT_EQ(str(original), text);
    }
}

TEST(QuonString, MovesTakeTheTextAndLeaveAnEmptyUsableSource) {
    for (std::size_t n : {std::size_t{3}, inlineCap, inlineCap + 1, std::size_t{500}}) {
        SCOPED_TRACE(n);
        const std::string text = pattern(n);
        quon_string source(text.c_str());
        quon_string moved(std::move(source));
        EXPECT_EQ(str(moved), text);
        EXPECT_EQ(source.length(), 0u);   // NOLINT(bugprone-use-after-move)
        EXPECT_STREQ(source.c_str(), ""); // NOLINT(bugprone-use-after-move)
        source = "reused";
        EXPECT_EQ(str(source), "reused");

        // Into a short and into a long target.
        for (std::size_t m : {std::size_t{2}, std::size_t{300}}) {
            quon_string target(pattern(m).c_str());
            quon_string from(text.c_str());
            target = std::move(from);
            EXPECT_EQ(str(target), text);
            EXPECT_EQ(from.length(), 0u); // NOLINT(bugprone-use-after-move)
            from += "again";
            EXPECT_EQ(str(from), "again");
        }
    }
}

TEST(QuonString, SelfAssignmentKeepsTheText) {
    for (std::size_t n : {std::size_t{4}, std::size_t{200}}) {
        const std::string text = pattern(n);
        quon_string s(text.c_str());
        quon_string& same = s;
        s = same;
        EXPECT_EQ(str(s), text);
        s = std::move(same);
        EXPECT_EQ(str(s), text);
        s = s.c_str(); // assignment from its own bytes
        EXPECT_EQ(str(s), text);
        s = s.c_str() + 1; // from a suffix of itself
        EXPECT_EQ(str(s), text.substr(1));
    }
}

TEST(QuonString, AppendingItselfDoublesTheText) {
    // Sizes below, at and across the inline capacity and on the heap.
    for (std::size_t n : {std::size_t{1}, std::size_t{19}, std::size_t{20}, inlineCap, std::size_t{100}}) {
        SCOPED_TRACE(n);
        const std::string text = pattern(n);
        quon_string s(text.c_str());
        s += s;
        EXPECT_EQ(str(s), text + text);
        quon_string t(text.c_str());
        t += t.c_str() + n / 2; // its own tail as a text
        EXPECT_EQ(str(t), text + text.substr(n / 2));
    }
}

TEST(QuonString, JoinInAllThreeForms) {
    quon_string a("ab");
    quon_string b("cd");
    EXPECT_EQ(str(a + b), "abcd");
    EXPECT_EQ(str(a + "xy"), "abxy");
    EXPECT_EQ(str("xy" + a), "xyab");
    EXPECT_EQ(str(a), "ab");
    const std::string longText = pattern(300);
    EXPECT_EQ(str(quon_string(longText.c_str()) + a), longText + "ab");
}

struct ToIntCase {
    const char* text;
    int value;
    bool ok;
};

TEST(QuonString, ToIntReadsWholeDecimalTextsOnly) {
    const std::vector<ToIntCase> cases = {
        {"3", 3, true},
        {"0", 0, true},
        {"-3", -3, true},
        {"+7", 7, true},
        {"007", 7, true},
        {"2147483647", INT_MAX, true},
        {"-2147483648", INT_MIN, true},
        {"2147483648", 0, false},
        {"-2147483649", 0, false},
        {"4294967297", 0, false}, // 2^32 + 1 must not wrap to 1
        {"99999999999999999999999", 0, false},
        {"", 0, false},
        {"-", 0, false},
        {"+", 0, false},
        {"abc", 0, false},
        {"12a", 0, false},
        {" 1", 0, false},
        {"1 ", 0, false},
        {"1.5", 0, false},
        {"0x10", 0, false},
        {"--1", 0, false},
        {"\xB3", 0, false}, // a byte above 127, not a digit
    };
    for (const ToIntCase& c : cases) {
        SCOPED_TRACE(c.text);
        bool ok = !c.ok;
        EXPECT_EQ(quon_string(c.text).toInt(&ok), c.value);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(quon_string(c.text).toInt(), c.value);
    }
    // Leading zeros beyond the inline capacity still read as the number.
    EXPECT_EQ(quon_string((std::string(100, '0') + "42").c_str()).toInt(), 42);
}

TEST(QuonString, ArgFillsTheLowestMarkerFirst) {
    struct Case {
        const char* format;
        std::vector<const char*> args;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"%1=%2", {"myParam", "x"}, "myParam=x"},
        {"%1=%2", {"myParam", ""}, "myParam="},
        {"%2 then %1", {"a", "b"}, "b then a"},
        {"%3%1%2", {"x"}, "%3x%2"},
        {"%1%1", {"a", "b"}, "ab"}, // equal markers: the first in the text
        {"no marker", {"x"}, "no marker"},
        {"", {"x"}, ""},
        {"100%", {"x"}, "100%"},
        {"%%1", {"x"}, "%x"},
        {"%a %1", {"x"}, "%a x"},
        {"%9 %0", {"x", "y"}, "y x"},
        {"GPI_%1", {"\xC3\xA9"}, "GPI_\xC3\xA9"},
        {"%1", {"a", "b", "c"}, "a"}, // arguments beyond the last marker change nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        quon_string s(c.format);
        for (const char* a : c.args) s = s.arg(quon_string(a));
        EXPECT_EQ(str(s), c.expected);
    }
}

TEST(QuonString, ArgWithIntegers) {
    EXPECT_EQ(str(quon_string("RN %1 %2 %3").arg(3).arg(6).arg(1)), "RN 3 6 1");
    EXPECT_EQ(str(quon_string("RN %1 %2 %3").arg(INT_MIN).arg(-1).arg(INT_MAX)), "RN -2147483648 -1 2147483647");
    EXPECT_EQ(str(quon_string("UMDL_%1").arg(12)), "UMDL_12");
    EXPECT_EQ(str(quon_string("%1").arg(255, 0, 0, 16)), "ff");
    EXPECT_EQ(str(quon_string("no marker").arg(5)), "no marker");
}

TEST(QuonString, ArgOnLongTexts) {
    const std::string head = pattern(60);
    const std::string value = pattern(70);
    quon_string s((head + "%1|%2").c_str());
    s = s.arg(quon_string(value.c_str())).arg(quon_string("end"));
    EXPECT_EQ(str(s), head + value + "|end");
    // The source of arg is left as it was.
    quon_string format("a%1b");
    quon_string filled = format.arg(quon_string(value.c_str()));
    EXPECT_EQ(str(format), "a%1b");
    EXPECT_EQ(str(filled), "a" + value + "b");
}

TEST(QuonString, SplitCutsAtTheFirstSeparator) {
    struct Case {
        const char* text;
        const char* left;
        const char* right;
        int position;
    };
    const std::vector<Case> cases = {
        {"value=3", "value", "3", 5},
        {"a=b=c", "a", "b=c", 1},
        {"=v", "", "v", 0},
        {"k=", "k", "", 1},
        {"=", "", "", 0},
        {"none", "none", "", -1},
        {"", "", "", -1},
        {"\xC3\xA9=\xFF", "\xC3\xA9", "\xFF", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        quon_string left("old left");
        quon_string right("old right");
        EXPECT_EQ(quon_string(c.text).split('=', left, right), c.position);
        EXPECT_EQ(str(left), c.left);
        EXPECT_EQ(str(right), c.right);
    }
}

TEST(QuonString, SplitIntoTheSourceItself) {
    for (std::size_t n : {std::size_t{3}, std::size_t{100}}) {
        SCOPED_TRACE(n);
        const std::string a = pattern(n);
        const std::string b = pattern(n + 7);
        const std::string whole = a + "=" + b;

        quon_string s(whole.c_str());
        quon_string right;
        s.split('=', s, right);
        EXPECT_EQ(str(s), a);
        EXPECT_EQ(str(right), b);

        quon_string t(whole.c_str());
        quon_string left;
        t.split('=', left, t);
        EXPECT_EQ(str(left), a);
        EXPECT_EQ(str(t), b);

        // Without a separator: left whole, right empty, even when aliased.
        quon_string u(a.c_str());
        quon_string r("x");
        u.split('=', u, r);
        EXPECT_EQ(str(u), a);
        EXPECT_EQ(str(r), "");

        quon_string v(a.c_str());
        quon_string l;
        v.split('=', l, v);
        EXPECT_EQ(str(l), a);
        EXPECT_EQ(str(v), "");
    }
}

} // namespace
