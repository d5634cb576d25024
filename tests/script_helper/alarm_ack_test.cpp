// Alarm acknowledgement through the dispatcher, with the alarm diversion on:
// the command sequences for each kind of argument and the acknowledgement
// rule for each current value.
#include "test_panel.h"

#include "debug_capture.h"
#include "quon_test_host.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using reply_t = std::optional<std::string>;

// A host that lists some alarm controls and answers their "value" queries.
struct alarm_host {
    quon_test_host host;
    reply_t idList;
    std::map<std::string, reply_t> values; // control id -> reply to its TG

    alarm_host() {
        host.reply = [this](const std::string& command) -> reply_t {
            if (command == "XI '1' 'alm_'") return idList;
            for (const auto& v : values)
                if (command == "TG '1' '" + v.first + "' 'value'") return v.second;
            return std::nullopt;
        };
    }
};

struct AlarmAck : ::testing::Test {
    alarm_host fake;
    test_panel panel{&fake.host, "kivren"};

    AlarmAck() { panel.alarmHandling = true; }

    void press(const char* id, const char* eventText) {
        button_record_holder button("1", id, eventText);
        EXPECT_EQ(static_cast<quon_client_callback&>(panel).callback(&button.record, 2), nullptr);
    }
    // Every host call as "kind:text".
    std::vector<std::string> trace() const {
        std::vector<std::string> out;
        for (const quon_host_call& c : fake.host.calls) out.push_back(std::to_string(c.kind) + ":" + c.text);
        return out;
    }
};

TEST_F(AlarmAck, AckAllAcknowledgesInListOrderHandingBackEachReply) {
    fake.idList = "alm_1,alm_2,alm_3";
    fake.values = {{"alm_1", "value=1"}, {"alm_2", "value=0"}, {"alm_3", "value=7"}};
    press("AckAll", "press");
    EXPECT_EQ(trace(), (std::vector<std::string>{
                           "0:XI '1' 'alm_'",
                           "5:alm_1,alm_2,alm_3",
                           "0:TP 'alarm=4' '1' 'alm_1'",
                           "0:TG '1' 'alm_1' 'value'",
                           "5:value=1",
                           "0:TP 'value=4' '1' 'alm_1'",
                           "0:TP 'alarm=4' '1' 'alm_2'",
                           "0:TG '1' 'alm_2' 'value'",
                           "5:value=0",
                           "0:TP 'alarm=4' '1' 'alm_3'",
                           "0:TG '1' 'alm_3' 'value'",
                           "5:value=7",
                           "0:TP 'value=4' '1' 'alm_3'",
                       }));
    EXPECT_EQ(fake.host.outstandingReplies(), 0u);
    EXPECT_EQ(fake.host.unknownHandBacks, 0);
    EXPECT_TRUE(panel.calls.empty()); // the button handler never saw it
}

TEST_F(AlarmAck, ActionAllWithAckWritesAckIntoTheAlarmProperty) {
    fake.idList = "alm_2,alm_1";
    fake.values = {{"alm_1", "value=1"}, {"alm_2", "value=3"}};
    press("ActionAll", "alarm=ack");
    EXPECT_EQ(fake.host.commands(), (std::vector<std::string>{
                                        "XI '1' 'alm_'",
                                        "TP 'alarm=ack' '1' 'alm_2'",
                                        "TG '1' 'alm_2' 'value'",
                                        "TP 'alarm=ack' '1' 'alm_1'",
                                        "TG '1' 'alm_1' 'value'",
                                        "TP 'value=4' '1' 'alm_1'",
                                    }));
    EXPECT_EQ(fake.host.outstandingReplies(), 0u);
    EXPECT_TRUE(panel.calls.empty());
}

TEST_F(AlarmAck, ArgumentsThatSetOrOnlyMark) {
    struct Case {
        const char* event;
        std::vector<std::string> perControl; // commands for control X, "X" replaced by its id
    };
    const std::vector<Case> cases = {
        {"alarm=2", {"TP 'alarm=2' '1' 'X'", "TP 'value=2' '1' 'X'"}},
        {"alarm=0", {"TP 'alarm=0' '1' 'X'", "TP 'value=0' '1' 'X'"}},
        {"alarm=9", {"TP 'alarm=9' '1' 'X'", "TP 'value=9' '1' 'X'"}},
        // A single character that is not a digit gives no mode: only "alarm" is written.
        {"alarm=x", {"TP 'alarm=x' '1' 'X'"}},
        {"alarm=-", {"TP 'alarm=-' '1' 'X'"}},
        {"alarm= ", {"TP 'alarm= ' '1' 'X'"}},
        {"alarm=+", {"TP 'alarm=+' '1' 'X'"}},
        {"alarm=22", {"TP 'alarm=22' '1' 'X'"}},
        {"alarm=-1", {"TP 'alarm=-1' '1' 'X'"}},
        {"alarm=ACK", {"TP 'alarm=ACK' '1' 'X'"}},
        {"alarm=acknowledge", {"TP 'alarm=acknowledge' '1' 'X'"}},
        {"alarm=", {"TP 'alarm=' '1' 'X'"}},
        {"alarm", {"TP 'alarm=' '1' 'X'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        fake.host.calls.clear();
        fake.idList = "alm_1,alm_2";
        fake.values = {{"alm_1", "value=1"}, {"alm_2", "value=1"}};
        press("ActionAll", c.event);
        std::vector<std::string> expected = {"XI '1' 'alm_'"};
        for (const char* id : {"alm_1", "alm_2"}) {
            for (std::string command : c.perControl) {
                command.replace(command.rfind('X'), 1, id);
                expected.push_back(command);
            }
        }
        EXPECT_EQ(fake.host.commands(), expected);
        EXPECT_EQ(fake.host.outstandingReplies(), 0u);
    }
    EXPECT_TRUE(panel.calls.empty());
}

TEST_F(AlarmAck, AcknowledgementRuleForEachCurrentValue) {
    struct Case {
        reply_t reply;
        bool setToFour;
    };
    const std::vector<Case> cases = {
        {reply_t("value=1"), true},
        {reply_t("value=-1"), true},
        {reply_t("value=6"), true},
        {reply_t("value=100"), true},
        {reply_t("value=-2147483648"), true},
        {reply_t("value=0"), false},
        {reply_t("value=2"), false},
        {reply_t("value=3"), false},
        {reply_t("value=4"), false},
        {reply_t("value=5"), false},
        // Unreadable values read as 0 and are left alone.
        {reply_t("value="), false},
        {reply_t("value=abc"), false},
        {reply_t(), false},
        {reply_t("colour=1"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.value_or("<null>"));
        fake.host.calls.clear();
        fake.idList = "alm_7";
        fake.values = {{"alm_7", c.reply}};
        debug_capture debug;
        press("AckAll", "");
        std::vector<std::string> expected = {"XI '1' 'alm_'", "TP 'alarm=4' '1' 'alm_7'", "TG '1' 'alm_7' 'value'"};
        if (c.setToFour) expected.push_back("TP 'value=4' '1' 'alm_7'");
        EXPECT_EQ(fake.host.commands(), expected);
        EXPECT_EQ(fake.host.outstandingReplies(), 0u);
        EXPECT_EQ(debug.texts.size(), c.reply && c.reply->rfind("colour", 0) == 0 ? 1u : 0u);
    }
}

TEST_F(AlarmAck, OtherButtonsReachTheButtonHandler) {
    fake.idList = "alm_1";
    press("ActionAll", "press=ack"); // another event name
    press("ActionAll", "alarms=ack");
    press("actionall", "alarm=ack"); // ids compare case-sensitively
    press("ackall", "press");
    press("Mon_1", "alarm=ack");
    EXPECT_TRUE(fake.host.calls.empty());
    ASSERT_EQ(panel.calls.size(), 5u);
    EXPECT_EQ(panel.calls[0].texts, (std::vector<std::string>{"1", "ActionAll", "press", "ack"}));
}

TEST_F(AlarmAck, AckAllTakesAnyEventNameOrNone) {
    fake.idList = "alm_1";
    fake.values = {{"alm_1", "value=4"}};
    quon_button_record bare{{0, 0}, "1", "AckAll", nullptr};
    static_cast<quon_client_callback&>(panel).callback(&bare, 2);
    press("AckAll", "released=1");
    const std::vector<std::string> once = {"XI '1' 'alm_'", "TP 'alarm=4' '1' 'alm_1'", "TG '1' 'alm_1' 'value'"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(fake.host.commands(), twice);
    EXPECT_TRUE(panel.calls.empty());
}

TEST_F(AlarmAck, NullOrEmptyIdListEndsAfterTheQuery) {
    fake.idList = std::nullopt;
    press("AckAll", "press");
    EXPECT_EQ(trace(), std::vector<std::string>{"0:XI '1' 'alm_'"});
    fake.host.calls.clear();
    fake.idList = "";
    press("ActionAll", "alarm=2");
    EXPECT_EQ(trace(), (std::vector<std::string>{"0:XI '1' 'alm_'", "5:"}));
    EXPECT_TRUE(panel.calls.empty());
}

TEST(AlarmAckNoHost, SendsNothing) {
    test_panel panel(nullptr, "");
    panel.alarmHandling = true;
    button_record_holder ackAll("1", "AckAll", "press");
    button_record_holder actionAll("1", "ActionAll", "alarm=2");
    EXPECT_EQ(static_cast<quon_client_callback&>(panel).callback(&ackAll.record, 2), nullptr);
    EXPECT_EQ(static_cast<quon_client_callback&>(panel).callback(&actionAll.record, 2), nullptr);
    EXPECT_TRUE(panel.calls.empty());
}

} // namespace
