// paramMessage: splitting "name.sub.sub=value" texts, the shared empty text
// for every unset part, and the owned buffer every set part points into.
#include "quon_events.h"
#include "split_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Expected {
    std::string name;
    std::vector<std::string> subs;
    std::string value;
    bool hasValue;
};

// Checks the parts and that every pointer is either the shared empty text
// (when unset) or inside the buffer (when set).
void expectMessage(const char* input, const Expected& e) {
    SCOPED_TRACE(input ? std::string(input).substr(0, 60) : std::string("<null>"));
    splitMessage m(input);
    const char* empty = splitMessage::emptyText();
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");

    EXPECT_EQ(std::string(m.name), e.name);
    ASSERT_EQ(m.subCount, static_cast<std::int32_t>(e.subs.size()));
    for (std::size_t i = 0; i < e.subs.size(); ++i) EXPECT_EQ(std::string(m.sub[i]), e.subs[i]) << "sub " << i;
    EXPECT_EQ(std::string(m.value), e.value);
    EXPECT_EQ(m.hasValue, e.hasValue);

    const std::size_t length = input ? std::strlen(input) : 0;
    if (length == 0) {
        EXPECT_EQ(m.buffer, nullptr);
        EXPECT_EQ(m.name, empty);
    } else {
        ASSERT_NE(m.buffer, nullptr);
        EXPECT_NE(static_cast<const void*>(m.buffer), static_cast<const void*>(input)); // a copy
    }
    auto inside = [&](const char* p) { return m.buffer && p >= m.buffer && p <= m.buffer + length; };
    if (length != 0) {
        EXPECT_TRUE(inside(m.name));
    }
    for (int i = 0; i < paramMessage::maxSubs; ++i) {
        if (i < m.subCount) {
            EXPECT_TRUE(inside(m.sub[i])) << "sub " << i;
        } else {
            EXPECT_EQ(m.sub[i], empty) << "sub " << i;
        }
    }
    if (m.hasValue) {
        EXPECT_TRUE(inside(m.value));
    } else {
        EXPECT_EQ(m.value, empty);
    }

    // The parts a handler reads in place, measured from where they begin,
    // are exactly the name and the value.
    const propertyEvent event(&m, length);
    const quon_text command = event.commandText();
    const quon_text value = event.valueText();
    EXPECT_EQ(std::string(command.data, command.length), e.name);
    EXPECT_EQ(std::string(value.data, value.length), e.value);
}

TEST(ParamMessage, SplitsNameSubNamesAndValue) {
    const std::vector<std::pair<const char*, Expected>> cases = {
        {"instance=abc", {"instance", {}, "abc", true}},
        {"return", {"return", {}, "", false}},
        {"a=b=c", {"a", {}, "b=c", true}},
        {"x=1.5", {"x", {}, "1.5", true}},
        {"a.b.c=v", {"a", {"b", "c"}, "v", true}},
        {"a.b.c", {"a", {"b", "c"}, "", false}},
        {"myParam.x.y=abc", {"myParam", {"x", "y"}, "abc", true}},
        {".x", {"", {"x"}, "", false}},
        {"a..b", {"a", {"", "b"}, "", false}},
        {"a.", {"a", {""}, "", false}},
        {"a=", {"a", {}, "", true}},
        {"=v", {"", {}, "v", true}},
        {"=", {"", {}, "", true}},
        {".", {"", {""}, "", false}},
        {"a.=v", {"a", {""}, "v", true}},
        {"a b.c d=e f", {"a b", {"c d"}, "e f", true}},
        {"\xC3\xA9t\xC3\xA9.\xFE=\xFF.\x80", {"\xC3\xA9t\xC3\xA9", {"\xFE"}, "\xFF.\x80", true}},
    };
    for (const auto& c : cases) expectMessage(c.first, c.second);
}

TEST(ParamMessage, NullAndEmptyInputHaveNoBuffer) {
    expectMessage(nullptr, {"", {}, "", false});
    expectMessage("", {"", {}, "", false});
}

// "n" followed by `dots` parts ".s1", ".s2", ... and then "=v".
std::string dotted(int dots) {
    std::string text = "n";
    for (int i = 1; i <= dots; ++i) text += ".s" + std::to_string(i);
    return text + "=v";
}

TEST(ParamMessage, ThirtyTwoSubNamesAtMost) {
    // 31 dots: every sub-name and the value are found.
    {
        std::vector<std::string> subs;
        for (int i = 1; i <= 31; ++i) subs.push_back("s" + std::to_string(i));
        expectMessage(dotted(31).c_str(), {"n", subs, "v", true});
    }
    // 32 dots: the scan stops after the 32nd, so "=v" stays in the last sub-name.
    {
        std::vector<std::string> subs;
        for (int i = 1; i <= 31; ++i) subs.push_back("s" + std::to_string(i));
        subs.push_back("s32=v");
        expectMessage(dotted(32).c_str(), {"n", subs, "", false});
    }
    // 33 dots: the 33rd dot, "=" and value all stay in sub[31].
    {
        std::vector<std::string> subs;
        for (int i = 1; i <= 31; ++i) subs.push_back("s" + std::to_string(i));
        subs.push_back("s32.s33=v");
        expectMessage(dotted(33).c_str(), {"n", subs, "", false});
    }
    // Only dots: 40 of them give 32 empty-named parts, the last holding the rest.
    {
        std::vector<std::string> subs(31, "");
        subs.push_back(std::string(8, '.'));
        expectMessage(std::string(40, '.').c_str(), {"", subs, "", false});
    }
}

TEST(ParamMessage, VeryLongInput) {
    const std::string name(5000, 'n');
    const std::string sub(3000, 's');
    const std::string value = std::string(100000, 'v') + "=.=.";
    const std::string text = name + "." + sub + "=" + value;
    expectMessage(text.c_str(), {name, {sub}, value, true});
}

TEST(ParamMessage, TheInputIsLeftAlone) {
    char text[] = "a.b=c";
    {
        splitMessage m(text);
        EXPECT_STREQ(m.name, "a");
    }
    EXPECT_STREQ(text, "a.b=c");
}

} // namespace
