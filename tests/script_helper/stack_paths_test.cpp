// The paths that build texts in place, on the stack, give what the plain
// paths give: textPut to a prefix and a number, a property message split in
// caller storage, and toInt over a text that is not a quon_string.
#include "test_panel.h"

#include "quon_test_host.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

std::string sentBy(void (*put)(test_panel&, const std::string&, int), const std::string& value, int number) {
    quon_test_host host;
    test_panel panel(&host, "");
    put(panel, value, number);
    const auto commands = host.commands();
    return commands.size() == 1 ? commands[0] : "<" + std::to_string(commands.size()) + " commands>";
}

TEST(StackPaths, TextPutToANumberedControlSendsWhatTheBuiltIdSends) {
    const std::string longValue(1000, 'v'); // past the stack buffer
    const std::pair<std::string, int> cases[] = {
        {"chanimg/parked.jpg", 5},
        {"#000000", 0},
        {"", 16},
        {"a 'b'=c", 40},
        {"x", -1},
        {"y", INT_MIN},
        {"z", INT_MAX},
        {longValue, 12},
        {std::string(230, 'w'), -2147483647},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        const std::string fast =
            sentBy([](test_panel& p, const std::string& v, int n) { p.textPut("pixmap", v.c_str(), "1", "Mon_", n); },
                   c.first, c.second);
        const std::string plain =
            sentBy([](test_panel& p, const std::string& v,
                      int n) { p.textPut("pixmap", v.c_str(), "1", quon_string("Mon_") + quon_string(n)); },
                   c.first, c.second);
        EXPECT_EQ(fast, plain);
        EXPECT_EQ(fast, "TP 'pixmap=" + c.first + "' '1' 'Mon_" + std::to_string(c.second) + "'");
    }
}

// Storage of n bytes holds a message of at most n - 1 characters and its NUL.
TEST(StackPaths, MessageInStorageSplitsAsOnTheHeap) {
    const std::string texts[] = {
        "", "name", "a.b.c=v", "return=all", "x=" + std::string(40, 'y'), "m." + std::string(300, 's') + "=1"};
    for (const std::string& text : texts) {
        for (std::size_t size : {std::size_t{0}, text.size(), text.size() + 1, std::size_t{256}}) {
            SCOPED_TRACE(text.substr(0, 20) + " in " + std::to_string(size));
            char storage[512];
            std::memset(storage, '#', sizeof storage);
            splitMessage heap(text.c_str());
            splitMessage stacked(text.c_str(), storage, size);
            EXPECT_STREQ(stacked.name, heap.name);
            EXPECT_STREQ(stacked.value, heap.value);
            EXPECT_EQ(stacked.hasValue, heap.hasValue);
            ASSERT_EQ(stacked.subCount, heap.subCount);
            for (int i = 0; i < heap.subCount; ++i) EXPECT_STREQ(stacked.sub[i], heap.sub[i]);
            const bool fits = !text.empty() && text.size() < size;
            EXPECT_EQ(stacked.buffer == storage, fits);
            EXPECT_EQ(stacked.buffer != nullptr && stacked.buffer != storage, !text.empty() && !fits); // on the heap
        }
    }
}

TEST(StackPaths, LongPropertyMessageStillReachesTheHandlerWhole) {
    quon_test_host host;
    test_panel panel(&host, "");
    const std::string value(600, 'q');
    const std::string message = "myParam.sub=" + value;
    panel.callback(const_cast<char*>(message.c_str()), quon_kind_property);
    ASSERT_EQ(panel.calls.size(), 1u);
    EXPECT_EQ(panel.calls[0].texts[0], "myParam");
    EXPECT_EQ(panel.calls[0].texts[1], value);
}

TEST(StackPaths, ToIntOverATextReadsOnlyItsLength) {
    const struct {
        const char* text;
        std::size_t length;
        int value;
        bool ok;
    } cases[] = {
        {"123abc", 3, 123, true}, {"-7", 2, -7, true}, {"21", 1, 2, true},           {"", 0, 0, false},
        {"+", 1, 0, false},       {"3x", 2, 0, false}, {"2147483648", 10, 0, false}, {"-2147483648", 11, INT_MIN, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        bool ok = !c.ok;
        EXPECT_EQ(quon_string::toInt(c.text, c.length, &ok), c.value);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(quon_string(c.text, c.length).toInt(), c.value);
    }
}

} // namespace
