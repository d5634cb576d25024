// The emulator's own event splitter against the record layout, and against
// the framework's splitter on the same texts: the two are written apart on
// purpose, so they are compared here and nowhere else.
#include "session/event_message.h"
#include "split_message.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

std::vector<std::string> subs_of(const paramMessage& m) {
    std::vector<std::string> out;
    for (int i = 0; i < m.subCount; ++i) out.push_back(m.sub[i]);
    return out;
}

TEST(EventMessage, SplitsAsTheRecordLayoutSays) {
    struct split_case {
        std::string text, name;
        std::vector<std::string> subs;
        std::string value;
        bool hasValue;
    };
    const split_case cases[] = {
        {"press", "press", {}, "", false},
        {"press=1", "press", {}, "1", true},
        {"text=a=b.c", "text", {}, "a=b.c", true}, // only the first "=" splits
        {"colour.text=#fff", "colour", {"text"}, "#fff", true},
        {"a.b.c", "a", {"b", "c"}, "", false},
        {"=v", "", {}, "v", true},
        {"a..=", "a", {"", ""}, "", true},
    };
    for (const split_case& c : cases) {
        event_message e(c.text);
        const paramMessage& m = *e.get();
        EXPECT_STREQ(m.name, c.name.c_str()) << c.text;
        EXPECT_EQ(subs_of(m), c.subs) << c.text;
        EXPECT_STREQ(m.value, c.value.c_str()) << c.text;
        EXPECT_EQ(m.hasValue, c.hasValue) << c.text;
        ASSERT_NE(m.buffer, nullptr);
        EXPECT_EQ(m.name, m.buffer);
        for (int i = m.subCount; i < paramMessage::maxSubs; ++i) ASSERT_STREQ(m.sub[i], "") << c.text;
    }
    event_message empty("");
    EXPECT_EQ(empty.get()->buffer, nullptr);
    EXPECT_STREQ(empty.get()->name, "");
    EXPECT_STREQ(empty.get()->value, "");
    EXPECT_FALSE(empty.get()->hasValue);
}

TEST(EventMessage, AgreesWithTheFrameworksSplitter) {
    std::vector<std::string> texts = {"", "press", "release", "value=3", "a.b.c=d.e=f", ".", "=", "..==", "x."};
    std::string many;
    for (int i = 0; i < 40; ++i) many += "s.";
    texts.push_back(many + "=v"); // beyond 32 sub-names: the rest stays in the last
    texts.push_back("n." + many);
    for (const std::string& text : texts) {
        event_message ours(text);
        splitMessage theirs(text.c_str());
        const paramMessage& a = *ours.get();
        EXPECT_STREQ(a.name, theirs.name) << text;
        EXPECT_EQ(subs_of(a), subs_of(theirs)) << text;
        EXPECT_STREQ(a.value, theirs.value) << text;
        EXPECT_EQ(a.hasValue, theirs.hasValue) << text;
        EXPECT_EQ(a.buffer == nullptr, theirs.buffer == nullptr) << text;
    }
}

} // namespace
