// The ledger every test host checks the reply protocol with: each fault a
// script can make is named, and a clean conversation has none.
#include "quon_hand_back_ledger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
char reply1[] = "value=1";
char reply2[] = "OK";

struct Step {
    bool command;      // true: a command with its reply; false: a hand-back
    const char* text;  // the command
    char* reply;       // the reply given, or the pointer handed back
    const char* fault; // a part of the fault expected, or "" for none
};

TEST(HandBackLedger, NamesEveryFault) {
    const std::vector<std::vector<Step>> conversations = {
        // Clean: owed replies come back, null for RN too; ignored ones stay.
        {{true, "TG '1' 'a' 'value'", reply1, ""},
         {false, nullptr, reply1, ""},
         {true, "RN 3 6 1", nullptr, ""},
         {false, nullptr, nullptr, ""},
         {true, "PS '1' 'f'", reply2, ""},
         {true, "XI '1' 'alm_'", nullptr, ""}},
        {{true, "TG '1' 'a' 'value'", reply1, ""}, {true, "AS", nullptr, "before the reply to \"TG"}},
        {{true, "RN 3 6 1", nullptr, ""}, {true, "AS", nullptr, "before the reply to \"RN"}},
        {{true, "PS '1' 'f'", reply2, ""}, {false, nullptr, reply2, "which is ignored"}},
        {{true, "TG '1' 'a' 'value'", nullptr, ""}, {false, nullptr, nullptr, "null reply nothing owes"}},
        {{true, "XI '1' 'alm_'", reply1, ""},
         {false, nullptr, reply1, ""},
         {false, nullptr, reply1, "gave back already"}},
    };
    for (const std::vector<Step>& conversation : conversations) {
        quon_hand_back_ledger ledger;
        for (const Step& step : conversation) {
            SCOPED_TRACE(std::string(step.command ? step.text : "hand-back"));
            const std::string fault =
                step.command ? ledger.command(step.text, step.reply) : ledger.handBack(step.reply);
            if (*step.fault == '\0') EXPECT_EQ(fault, "");
            else EXPECT_NE(fault.find(step.fault), std::string::npos) << fault;
        }
    }
}
} // namespace
