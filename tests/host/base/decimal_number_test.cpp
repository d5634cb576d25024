#include "base/decimal_number.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

// One reader for every number a user writes: options and scenario fields.
TEST(DecimalNumber, PlainDecimalWithinRangeOnly) {
    struct number_case {
        std::string text;
        bool ok;
        const char* why; // when refused
    };
    const number_case cases[] = {
        {"0", true, nullptr},
        {"86400", true, nullptr},
        {"-7", true, nullptr},
        {"", false, "\"\" is not a number"},
        {"+5", false, "\"+5\" is not a number"},
        {" 5", false, "\" 5\" is not a number"},
        {"5 ", false, "is not a number"},
        {"\v5", false, "\"\\x0b5\" is not a number"},
        {std::string("5\0junk", 6), false, "\"5\\x00junk\" is not a number"},
        {"0x10", false, "is not a number"},
        {"1e3", false, "is not a number"},
        {"-", false, "is not a number"},
        {"86401", false, "\"86401\" is out of range (-10 to 86400)"},
        {"-11", false, "out of range"},
        {"-0", false, "\"-0\" is a negative zero"},
        {"-000", false, "negative zero"},
        {"99999999999999999999", false, "\"99999999999999999999\" is out of range"},
    };
    for (const number_case& c : cases) {
        SCOPED_TRACE(c.text);
        std::int64_t v = 42;
        std::string why;
        EXPECT_EQ(read_decimal(c.text, -10, 86400, v, why), c.ok);
        if (c.ok) EXPECT_EQ(std::to_string(v), c.text);
        else {
            EXPECT_EQ(v, 42); // untouched
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
        }
    }
}

TEST(DecimalNumber, UnsignedTakesTheWholeRangeAndNoSign) {
    std::uint64_t v = 0;
    std::string why;
    EXPECT_TRUE(read_decimal("18446744073709551615", UINT64_MAX, v, why));
    EXPECT_EQ(v, UINT64_MAX);
    EXPECT_FALSE(read_decimal("18446744073709551616", UINT64_MAX, v, why));
    EXPECT_NE(why.find("out of range"), std::string::npos);
    EXPECT_FALSE(read_decimal("-1", UINT64_MAX, v, why)); // never wraps around
    EXPECT_NE(why.find("is not a number"), std::string::npos);
    EXPECT_FALSE(read_decimal("1000000001", 1000000000, v, why));
}

} // namespace
