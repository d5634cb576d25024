// A conversation written with only its fault lines (soak's) counts all
// that passed as the whole one does, and shows those lines and no other;
// a listener hears each fault as it is, not as the log prints it.
#include "session/conversation_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using namespace quon::host;

namespace {

void converse(conversation_log& log) {
    log.step("a.scn:1", "gpi 1 on");
    log.lifecycle("factory");
    log.event(1, "device 1 index 1 state 1 text \"1\"");
    log.command("TP 'text=a' '1' 'Take'", "TP");
    log.command("ZZ", "");
    log.malformed("unknown code");
    const std::string reply = "a=b";
    log.reply(&reply);
    log.hand_back(&reply);
    log.answer(nullptr);
    log.note("virtual time 5 ms");
    log.debug_text("hello");
    log.problem("no GPI device numbered 9");
}

TEST(ConversationLog, FaultsOnlyWritesTheFaultLinesAndCountsAll) {
    std::ostringstream whole, faults;
    conversation_log all(whole), only(faults);
    only.set_faults_only(true);
    converse(all);
    converse(only);
    EXPECT_EQ(only.summary_text(0), all.summary_text(0));
    EXPECT_EQ(faults.str(), "    ! malformed command, skipped: unknown code\n    ! no GPI device numbered 9\n");
    EXPECT_NE(whole.str().find("debug text: hello"), std::string::npos);
}

TEST(ConversationLog, AListenerHearsEachFaultAsItIs) {
    std::ostringstream out;
    conversation_log log(out);
    std::vector<std::string> heard;
    log.set_fault_listener([&](const std::string& fault) { heard.push_back(fault); });
    converse(log);
    log.problem("text \x1b]0;title\x07");
    EXPECT_EQ(heard, (std::vector<std::string>{"malformed command, skipped: unknown code", "no GPI device numbered 9",
                                               "text \x1b]0;title\x07"}));
}

} // namespace
