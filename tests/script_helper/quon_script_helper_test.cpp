// The dispatcher and the object's life: which handler each kind of host call
// reaches and with what, the kind 3 answer blocks and their release, and the
// deleting destructor the host calls.
#include "test_panel.h"

#include "quon_test_host.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A revertive record laid out byte by byte as the host lays it out.
struct revertive_bytes {
    alignas(4) unsigned char raw[16 + 512] = {};
    revertive_bytes(std::int32_t device, std::int32_t index, std::int32_t state, const std::string& text) {
        put(0, device);
        put(4, 0x5a5a5a5a); // not read by the script
        put(8, index);
        put(12, state);
        std::memcpy(raw + 16, text.c_str(), text.size() + 1);
    }
    void put(std::size_t at, std::int32_t v) { std::memcpy(raw + at, &v, sizeof v); }
};

struct Dispatcher : ::testing::Test {
    quon_test_host host;
    test_panel panel{&host, "base"};
    quon_client_callback& script = panel; // the host only knows the interface
};

TEST_F(Dispatcher, ConstructionSendsNothingAndKeepsThePath) {
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(std::string(panel.basePath.c_str()), "base");
    EXPECT_FALSE(panel.alarmHandling);
}

TEST_F(Dispatcher, EachKindReachesItsHandler) {
    revertive_bytes rev(3, 5, 2, "two");
    button_record_holder button("1", "GPI_4", "press=down");
    int hook6 = 6;
    int hook7 = 7;

    EXPECT_EQ(script.callback(rev.raw, 1), nullptr);
    EXPECT_EQ(script.callback(&button.record, 2), nullptr);
    char message[] = "a.b.c=v";
    EXPECT_EQ(script.callback(message, 3), nullptr); // empty answer
    EXPECT_EQ(script.callback(timer_arg(9), 4), nullptr);
    EXPECT_EQ(script.callback(&hook6, 6), nullptr);
    EXPECT_EQ(script.callback(&hook7, 7), nullptr);

    ASSERT_EQ(panel.calls.size(), 6u);
    EXPECT_EQ(panel.calls[0].handler, "revertive");
    EXPECT_EQ(panel.calls[0].numbers, (std::vector<long long>{3, 5, 2}));
    EXPECT_EQ(panel.calls[0].texts, (std::vector<std::string>{"two"}));
    EXPECT_EQ(panel.calls[1].handler, "button");
    EXPECT_EQ(panel.calls[1].texts, (std::vector<std::string>{"1", "GPI_4", "press", "down"}));
    EXPECT_EQ(panel.calls[2].handler, "property");
    EXPECT_EQ(panel.calls[2].texts, (std::vector<std::string>{"a", "v"}));
    EXPECT_EQ(panel.calls[2].numbers, (std::vector<long long>{2, 1})); // two sub-names, has a value
    EXPECT_EQ(panel.calls[3].handler, "timer");
    EXPECT_EQ(panel.calls[3].numbers, (std::vector<long long>{9}));
    EXPECT_EQ(panel.calls[4].handler, "kind6");
    EXPECT_EQ(panel.calls[4].record, &hook6);
    EXPECT_EQ(panel.calls[5].handler, "kind7");
    EXPECT_EQ(panel.calls[5].record, &hook7);

    // The host's message text is split on a copy, never in place.
    EXPECT_STREQ(message, "a.b.c=v");
    // Dispatching sends nothing to the host.
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatcher, RevertiveRecordFieldsAndInlineText) {
    const std::string longText(300, 'u');
    struct Case {
        std::int32_t device, index, state;
        std::string text;
    };
    const std::vector<Case> cases = {
        {INT_MIN, INT_MAX, -1, ""},
        {2, 21, 0, "3"},
        {2, 3, 7, "\xC3\xA9t\xC3\xA9 \xFF"},
        {2, 12, 0, longText},
    };
    for (const Case& c : cases) {
        revertive_bytes rev(c.device, c.index, c.state, c.text);
        EXPECT_EQ(script.callback(rev.raw, 1), nullptr);
        ASSERT_FALSE(panel.calls.empty());
        EXPECT_EQ(panel.calls.back().numbers, (std::vector<long long>{c.device, c.index, c.state}));
        EXPECT_EQ(panel.calls.back().texts[0], c.text);
    }
    EXPECT_EQ(panel.calls.size(), cases.size());
}

TEST_F(Dispatcher, UnknownKindsReturnNullAndCallNothing) {
    char text[] = "return=all";
    panel.answer = "would be returned";
    for (unsigned kind : {0u, 8u, 9u, 100u, 0x7fffffffu, 0x80000000u, 0xffffffffu}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(script.callback(text, kind), nullptr);
        EXPECT_EQ(script.callback(nullptr, kind), nullptr);
    }
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_TRUE(host.calls.empty());
    EXPECT_STREQ(text, "return=all");
}

TEST_F(Dispatcher, PropertyAnswerBecomesABlockOrNull) {
    const std::string longAnswer = std::string(500, 'L') + "=end";
    for (const std::string& answer : {std::string(""), std::string("x"), std::string("myParam=abc"), longAnswer}) {
        SCOPED_TRACE(answer.substr(0, 20));
        panel.answer = answer;
        char message[] = "return=all";
        char* block = script.callback(message, 3);
        if (answer.empty()) {
            EXPECT_EQ(block, nullptr);
            continue;
        }
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(std::strlen(block), answer.size());
        EXPECT_EQ(std::memcmp(block, answer.c_str(), answer.size() + 1), 0); // with its NUL
        // Kind 5 releases the block; the answer handed out was a copy.
        EXPECT_EQ(script.callback(block, 5), nullptr);
    }
    EXPECT_EQ(panel.calls.size(), 4u);
    EXPECT_EQ(script.callback(nullptr, 5), nullptr); // harmless
    EXPECT_EQ(panel.calls.size(), 4u);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatcher, NullOrEmptyPropertyTextStillReachesTheHandler) {
    panel.answer = "y";
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        char* block = script.callback(const_cast<char*>(text), 3);
        ASSERT_NE(block, nullptr);
        EXPECT_STREQ(block, "y");
        script.callback(block, 5);
        ASSERT_FALSE(panel.calls.empty());
        const handler_call& call = panel.calls.back();
        EXPECT_EQ(call.handler, "property");
        EXPECT_EQ(call.texts, (std::vector<std::string>{"", ""}));
        EXPECT_EQ(call.numbers, (std::vector<long long>{0, 0}));
    }
    EXPECT_EQ(panel.calls.size(), 2u);
}

TEST_F(Dispatcher, TimerIdsComeThroughAsSignedIntegers) {
    const std::vector<int> ids = {0, 1, 7, -1, -2, INT_MIN, INT_MAX};
    for (int id : ids) EXPECT_EQ(script.callback(timer_arg(id), 4), nullptr);
    ASSERT_EQ(panel.calls.size(), ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(panel.calls[i].handler, "timer");
        EXPECT_EQ(panel.calls[i].numbers, (std::vector<long long>{ids[i]}));
    }
}

TEST_F(Dispatcher, NullRecordsAreIgnored) {
    for (unsigned kind : {1u, 2u, 6u, 7u}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(script.callback(nullptr, kind), nullptr);
    }
    EXPECT_TRUE(panel.calls.empty());
    panel.alarmHandling = true;
    EXPECT_EQ(script.callback(nullptr, 2), nullptr);
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatcher, NullPointersInAButtonRecordReadAsEmpty) {
    quon_button_record allNull{{0, 0}, nullptr, nullptr, nullptr};
    splitMessage bare("pressed"); // no "=": the value is empty
    quon_button_record noValue{{0, 0}, "1", nullptr, &bare};
    splitMessage none(nullptr);
    quon_button_record emptyEvent{{0, 0}, nullptr, "Mon_1", &none};

    script.callback(&allNull, 2);
    script.callback(&noValue, 2);
    script.callback(&emptyEvent, 2);
    ASSERT_EQ(panel.calls.size(), 3u);
    EXPECT_EQ(panel.calls[0].texts, (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(panel.calls[1].texts, (std::vector<std::string>{"1", "", "pressed", ""}));
    EXPECT_EQ(panel.calls[2].texts, (std::vector<std::string>{"", "Mon_1", "", ""}));

    // The same with the alarm diversion on: nothing matches, all reach the handler.
    panel.alarmHandling = true;
    script.callback(&allNull, 2);
    EXPECT_EQ(panel.calls.size(), 4u);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatcher, WithAlarmHandlingOffAlarmButtonsReachTheHandler) {
    host.reply = [](const std::string&) { return std::optional<std::string>("alm_1"); };
    button_record_holder ackAll("1", "AckAll", "press");
    button_record_holder actionAll("1", "ActionAll", "alarm=ack");
    script.callback(&ackAll.record, 2);
    script.callback(&actionAll.record, 2);
    ASSERT_EQ(panel.calls.size(), 2u);
    EXPECT_EQ(panel.calls[0].texts, (std::vector<std::string>{"1", "AckAll", "press", ""}));
    EXPECT_EQ(panel.calls[1].texts, (std::vector<std::string>{"1", "ActionAll", "alarm", "ack"}));
    EXPECT_TRUE(host.calls.empty());
}

TEST(ScriptLife, DeletingDestructorFreesAfterTheDerivedShutDown) {
    quon_test_host host;
    int destroyed = 0;
    const int deletesBefore = test_panel::deletes;
    test_panel* panel = new test_panel(&host, "p");
    panel->destroyed = &destroyed;
    panel->unregisterOnDestroy = true;
    quon_client_callback* script = panel;

    void* result = script->deletingDestructor(1);
    EXPECT_EQ(result, static_cast<void*>(panel));
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(test_panel::deletes, deletesBefore + 1);
    EXPECT_EQ(host.commands(), (std::vector<std::string>{"RU 3", "AS"}));
    EXPECT_EQ(host.outstandingReplies(), 0u);
}

TEST(ScriptLife, DeletingDestructorWithoutFreeOnlyDestroys) {
    // Only bit 0 asks for the memory to be freed.
    for (unsigned flags : {0u, 2u}) {
        SCOPED_TRACE(flags);
        quon_test_host host;
        int destroyed = 0;
        const int deletesBefore = test_panel::deletes;
        alignas(test_panel) unsigned char storage[sizeof(test_panel)];
        test_panel* panel = new (storage) test_panel(&host, "p");
        panel->destroyed = &destroyed;
        panel->unregisterOnDestroy = true;
        quon_client_callback* script = panel;

        void* result = script->deletingDestructor(flags);
        EXPECT_EQ(result, static_cast<void*>(storage));
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(test_panel::deletes, deletesBefore);
        EXPECT_EQ(host.commands(), (std::vector<std::string>{"RU 3", "AS"}));
    }
}

TEST(ScriptLife, ShutDownNoticeIsIgnoredAndNotHandedBack) {
    quon_test_host host;
    host.reply = [](const std::string&) { return std::optional<std::string>("ok"); };
    { test_panel panel(&host, ""); }
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].kind, 0u);
    EXPECT_EQ(host.calls[0].text, "AS");
}

TEST(ScriptLife, WithoutAHostEverythingIsSilent) {
    int destroyed = 0;
    test_panel* panel = new test_panel(nullptr, nullptr);
    panel->destroyed = &destroyed;
    panel->unregisterOnDestroy = true;
    quon_client_callback* script = panel;
    EXPECT_EQ(std::string(panel->basePath.c_str()), "");

    revertive_bytes rev(1, 2, 3, "t");
    button_record_holder ackAll("1", "AckAll", "press");
    EXPECT_EQ(script->callback(rev.raw, 1), nullptr);
    EXPECT_EQ(script->callback(&ackAll.record, 2), nullptr);
    panel->answer = "z";
    char message[] = "m=1";
    char* block = script->callback(message, 3);
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "z");
    EXPECT_EQ(script->callback(block, 5), nullptr);
    EXPECT_EQ(script->callback(timer_arg(-4), 4), nullptr);
    // With the alarm diversion on, the buttons it takes do nothing at all.
    panel->alarmHandling = true;
    EXPECT_EQ(script->callback(&ackAll.record, 2), nullptr);
    EXPECT_EQ(panel->calls.size(), 4u);

    script->deletingDestructor(1);
    EXPECT_EQ(destroyed, 1);
}

} // namespace
