// Property messages, control events, timer ticks and the kinds the panel
// does not handle.
#include "panel_harness.h"
#include "split_message.h"

#include <gtest/gtest.h>

namespace {

using answer = std::optional<std::string>;

struct exchange {
    const char* message;
    answer want;
};

void runExchanges(const std::vector<exchange>& steps) {
    panel_under_test t;
    for (const exchange& step : steps)
        EXPECT_EQ(t.ask(step.message), step.want) << (step.message ? step.message : "<null>");
    EXPECT_TRUE(t.host.calls.empty()) << "property messages send no commands";
}

TEST(KivrenProperties, ReturnAllOnANewPanelIsNotEmpty) { runExchanges({{"return=all", "myParam="}}); }

TEST(KivrenProperties, MyParamIsStoredAndReported) {
    runExchanges({
        {"myParam=abc", std::nullopt},
        {"return=myParam", "myParam=abc"},
        {"return=all", "myParam=abc"},
        {"myParam=a=b.c 'd'", std::nullopt},
        {"return=myParam", "myParam=a=b.c 'd'"},
    });
}

TEST(KivrenProperties, SubNamesAreIgnored) {
    runExchanges({{"myParam.x.y=abc", std::nullopt}, {"return=all", "myParam=abc"}});
}

TEST(KivrenProperties, MessageWithoutValueClearsMyParam) {
    runExchanges({{"myParam=abc", std::nullopt}, {"myParam", std::nullopt}, {"return=all", "myParam="}});
}

TEST(KivrenProperties, InstanceIsStoredButNeverReported) {
    runExchanges({
        {"return=instance", std::nullopt},
        {"instance=abc", std::nullopt},
        {"return=instance", std::nullopt},
        {"return=all", "myParam="},
    });
}

TEST(KivrenProperties, ListsEventsAndCommands) {
    runExchanges({
        {"_events", "notify=*"},
        {"_events=1", "notify=*"},
        {"_commands", "myParam=[value]"},
        {"_commands.x=2", "myParam=[value]"},
    });
}

TEST(KivrenProperties, EverythingElseAnswersNull) {
    runExchanges({
        {"return", std::nullopt},
        {"return=", std::nullopt},
        {"return=ALL", std::nullopt},
        {"Return=all", std::nullopt},
        {"unknown=1", std::nullopt},
        {"", std::nullopt},
        {nullptr, std::nullopt},
    });
}

TEST(KivrenProperties, EachAnswerIsItsOwnBlockUntilHandedBack) {
    panel_under_test t;
    char query[] = "_events";
    char* first = t.panel->callback(query, quon_kind_property);
    char* second = t.panel->callback(query, quon_kind_property);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_STREQ(first, "notify=*");
    t.panel->callback(first, quon_kind_release);
    EXPECT_STREQ(second, "notify=*");
    t.panel->callback(second, quon_kind_release);
    EXPECT_EQ(t.panel->callback(nullptr, quon_kind_release), nullptr);
}

TEST(KivrenButtons, ControlEventsSendNothing) {
    panel_under_test t;
    struct press {
        const char* id;
        const char* event;
    };
    for (press p :
         {press{"AckAll", "click"}, press{"ActionAll", "alarm=2"}, press{"Mon_3", "press=1"}, press{"", ""}}) {
        splitMessage message(p.event);
        quon_button_record record{{0, 0}, "1", p.id, &message};
        EXPECT_EQ(t.panel->callback(&record, quon_kind_button), nullptr);
        EXPECT_TRUE(t.host.calls.empty()) << p.id;
    }
    EXPECT_EQ(t.ask("return=all"), answer("myParam="));
}

TEST(KivrenTimers, EveryTickStopsItsOwnTimer) {
    panel_under_test t;
    for (int id : {1, 7, 0, -5, 2147483647}) {
        t.host.calls.clear();
        EXPECT_EQ(t.panel->callback(reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), quon_kind_timer), nullptr);
        EXPECT_EQ(t.host.commands(), std::vector<std::string>{"ET " + std::to_string(id)});
    }
}

TEST(KivrenOtherKinds, AreAnsweredWithNullAndSendNothing) {
    panel_under_test t;
    char text[] = "RU 3";
    int record[8] = {3, 0, 1, 1, 0, 0, 0, 0};
    for (unsigned kind : {0u, 6u, 7u, 8u, 1000u}) {
        void* arg = kind == 0 ? static_cast<void*>(text) : static_cast<void*>(record);
        EXPECT_EQ(t.panel->callback(arg, kind), nullptr) << kind;
    }
    EXPECT_TRUE(t.host.calls.empty());
}

} // namespace
