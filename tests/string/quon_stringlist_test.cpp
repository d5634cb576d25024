// quon_stringlist: building from separated text, appending, joining and
// iterating.
#include "quon_stringlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> items(const quon_stringlist& list) {
    std::vector<std::string> out;
    for (quon_stringlistIterator it = list.begin(); it != list.end(); ++it)
        out.emplace_back((*it).c_str(), (*it).length());
    return out;
}

TEST(QuonStringlist, SplitsAtEverySeparator) {
    struct Case {
        const char* text;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"a,b,c", {"a", "b", "c"}},
        {"", {}},
        {"abc", {"abc"}},
        {"a,,b", {"a", "", "b"}},
        {"a,b,", {"a", "b", ""}},
        {",a", {"", "a"}},
        {",", {"", ""}},
        {"alm_1,alm_2", {"alm_1", "alm_2"}},
        {"\xC3\xA9,\xFF", {"\xC3\xA9", "\xFF"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        quon_stringlist list(quon_string(c.text), ',');
        EXPECT_EQ(list.count(), c.expected.size());
        EXPECT_EQ(items(list), c.expected);
    }
}

TEST(QuonStringlist, OtherSeparatorsAndLongItems) {
    const std::string longItem(300, 'q');
    quon_stringlist list(quon_string(("x\n" + longItem + "\ny").c_str()), '\n');
    EXPECT_EQ(items(list), (std::vector<std::string>{"x", longItem, "y"}));
    // A comma is only a separator when asked for.
    EXPECT_EQ(quon_stringlist(quon_string("a,b"), ';').count(), 1u);
}

TEST(QuonStringlist, AppendAndJoin) {
    quon_stringlist list;
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(std::string(list.toString('\n').c_str()), "");
    EXPECT_FALSE(list.begin() != list.end());

    list << quon_string("myParam=x");
    EXPECT_EQ(std::string(list.toString('\n').c_str()), "myParam=x"); // one item: no separator
    list << quon_string("") << quon_string("last");
    EXPECT_EQ(std::string(list.toString('\n').c_str()), "myParam=x\n\nlast");
    EXPECT_EQ(items(list), (std::vector<std::string>{"myParam=x", "", "last"}));
    EXPECT_EQ(std::string(list[2].c_str()), "last");
}

TEST(QuonStringlist, JoinRestoresTheSplitText) {
    for (const char* text : {"a,b,c", "a,,b", "a,b,", ",", "single"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(std::string(quon_stringlist(quon_string(text), ',').toString(',').c_str()), text);
    }
}

TEST(QuonStringlist, ItemsOutliveTheSourceText) {
    quon_stringlist list;
    {
        quon_string source("first,second");
        list = quon_stringlist(source, ',');
        source = "overwritten,entirely";
    }
    EXPECT_EQ(items(list), (std::vector<std::string>{"first", "second"}));
}

} // namespace
