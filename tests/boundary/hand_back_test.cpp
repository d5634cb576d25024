// The hand-back rule: which replies come back with kind 5, read from the
// command's code alone.
#include "quon_hand_back.h"

#include <gtest/gtest.h>

static_assert(quon_reply_hand_back("RN 3 6 1") == quon_hand_back_always, "usable when compiling");

TEST(HandBack, RuleByCommandCode) {
    struct Case {
        const char* command;
        quon_hand_back rule;
    } cases[] = {
        {"TG '1' 'alm_3' 'value'", quon_hand_back_reply},
        {"XI '1' 'alm_'", quon_hand_back_reply},
        {"RN 3 6 12", quon_hand_back_always},
        {"PS '1' 'kivren/panel1024.quon_ui'", quon_hand_back_never},
        {"TP 'pixmap=x' '1' 'Mon_5'", quon_hand_back_never},
        {"RR 3 1 16 'ADD'", quon_hand_back_never},
        {"AS", quon_hand_back_never},
        {"TG", quon_hand_back_reply},      // a code alone is still the command
        {"TGX '1'", quon_hand_back_never}, // not the code TG
        {"tg '1'", quon_hand_back_never},  // codes are upper case
        {"R", quon_hand_back_never},
        {"", quon_hand_back_never},
        {nullptr, quon_hand_back_never},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quon_reply_hand_back(c.command), c.rule) << (c.command ? c.command : "(null)");
}

TEST(HandBack, NullRepliesComeBackOnlyForRouterNames) {
    char reply[] = "value=1";
    EXPECT_TRUE(quon_reply_handed_back("RN 3 6 1", nullptr));
    EXPECT_FALSE(quon_reply_handed_back("TG '1' 'a' 'value'", nullptr));
    EXPECT_TRUE(quon_reply_handed_back("TG '1' 'a' 'value'", reply));
    EXPECT_FALSE(quon_reply_handed_back("PS '1' 'p'", reply));
}
