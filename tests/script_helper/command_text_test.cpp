// command_text: building command texts on the stack and past it.
#include "detail/command_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

std::string text(const command_text& t) { return std::string(t.c_str(), t.length()); }

TEST(CommandText, NumbersInPlainSignedDecimal) {
    const std::pair<int, const char*> cases[] = {
        {0, "0"}, {7, "7"}, {-1, "-1"}, {10, "10"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"},
    };
    for (const auto& c : cases) {
        command_text t;
        t.add(c.first);
        EXPECT_EQ(text(t), c.second);
    }
}

TEST(CommandText, FieldsAndQuotedTexts) {
    command_text t;
    t.add("TP ").quoted(quon_string("a'b=c")).add(" ").quoted(quon_string("")).add(" ").add(-5);
    EXPECT_EQ(text(t), "TP 'a'b=c' '' -5");
}

TEST(CommandText, LongTextsMoveToTheHeapIntact) {
    // Across the 255 bytes kept on the stack, in one piece and in many.
    for (std::size_t n : {std::size_t{254}, std::size_t{255}, std::size_t{256}, std::size_t{5000}}) {
        SCOPED_TRACE(n);
        std::string expected;
        for (std::size_t i = 0; i < n; ++i) expected += static_cast<char>('a' + i % 26);
        command_text whole;
        whole.add(quon_string(expected.c_str()));
        EXPECT_EQ(text(whole), expected);
        EXPECT_EQ(std::strlen(whole.c_str()), n);

        command_text pieces;
        for (char c : expected) pieces.add(&c, 1);
        EXPECT_EQ(text(pieces), expected);
    }
}

TEST(CommandText, NumbersAfterALongPrefix) {
    command_text t;
    const std::string prefix(253, 'p');
    t.add(prefix.c_str(), prefix.size()).add(INT_MIN).add(" ").add(INT_MAX);
    EXPECT_EQ(text(t), prefix + "-2147483648 2147483647");
}

} // namespace
