// quon_string's comparisons: with another string, a text and an integer,
// either side of == and !=.
#include "quon_string.h"
#include "string_test_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(QuonString, EqualityWithText) {
    quon_string s("alarm");
    EXPECT_TRUE(s == "alarm");
    EXPECT_FALSE(s == "Alarm"); // case matters
    EXPECT_FALSE(s == "alar");
    EXPECT_FALSE(s == "alarms");
    EXPECT_FALSE(s == "");
    EXPECT_TRUE(quon_string() == "");
    EXPECT_TRUE(quon_string() == static_cast<const char*>(nullptr));
    EXPECT_FALSE(s == static_cast<const char*>(nullptr));
    EXPECT_TRUE(quon_string("\xE9t\xE9") == "\xE9t\xE9");
    EXPECT_FALSE(quon_string("\xE9") == "\xC9");
    const std::string longText = pattern(400);
    EXPECT_TRUE(quon_string(longText.c_str()) == longText.c_str());
    EXPECT_FALSE(quon_string(longText.c_str()) == pattern(399).c_str());
    // A text holding a NUL is not equal to its first part.
    EXPECT_FALSE(quon_string("ab\0c", 4) == "ab");
}

TEST(QuonString, EqualityWithInteger) {
    EXPECT_TRUE(quon_string("3") == 3);
    EXPECT_TRUE(quon_string("-3") == -3);
    EXPECT_TRUE(quon_string("0") == 0);
    EXPECT_TRUE(quon_string("-2147483648") == INT_MIN);
    EXPECT_FALSE(quon_string("03") == 3);
    EXPECT_FALSE(quon_string("") == 0);
    EXPECT_FALSE(quon_string("3 ") == 3);
    EXPECT_FALSE(quon_string("4") == 3);
}

TEST(QuonString, InequalityBetweenStrings) {
    EXPECT_FALSE(quon_string("abc") != quon_string("abc"));
    EXPECT_TRUE(quon_string("abc") != quon_string("abd"));
    EXPECT_TRUE(quon_string("abc") != quon_string("ab"));
    EXPECT_TRUE(quon_string("abc") != quon_string("ABC"));
    EXPECT_FALSE(quon_string() != quon_string(""));
    EXPECT_TRUE(quon_string("ab\0c", 4) != quon_string("ab\0d", 4));
    const std::string longText = pattern(100);
    EXPECT_FALSE(quon_string(longText.c_str()) != quon_string(longText.c_str()));
}

// != with a text or an integer is the opposite of ==, and a text on the left
// compares the bytes, not the pointers.
TEST(QuonString, InequalityWithTextAndIntegerAndTextOnTheLeft) {
    const std::string longText = pattern(300);
    const struct {
        const char* left;
        const char* right;
        bool equal;
    } cases[] = {
        {"press", "press", true},
        {"press", "Press", false},
        {"press", "pres", false},
        {"", "", true},
        {"", nullptr, true},
        {"a", nullptr, false},
        {longText.c_str(), longText.c_str(), true},
    };
    for (const auto& c : cases) {
        const quon_string s(c.left);
        const std::string copy = c.right ? c.right : ""; // another pointer to the same bytes
        const char* right = c.right ? copy.c_str() : nullptr;
        EXPECT_EQ(s != right, !c.equal) << c.left;
        EXPECT_EQ(right != s, !c.equal) << c.left;
        EXPECT_EQ(right == s, c.equal) << c.left;
    }
    EXPECT_TRUE(quon_string("ab\0c", 4) != "ab"); // a NUL inside: not its first part
    EXPECT_FALSE(quon_string("-3") != -3);
    EXPECT_TRUE(quon_string("03") != 3);
    EXPECT_TRUE(quon_string("") != 0);
}

} // namespace
