// The test host's own checks: each fault of the reply protocol fails the
// running test and a clean conversation does not; each event kind reaches the
// panel as the host builds it.
#include "quon_debug.h"
#include "quon_test_host.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

// A panel that notes what it is given and, when stopped, runs `onStop`
// against its host (a closing command, say).
class fake_panel final : public quon_client_callback {
public:
    fake_panel(quon_client_callback* hostLink, const char*) : host(hostLink) {}
    void* deletingDestructor(unsigned flags) override {
        if (onStop) onStop(*host);
        if (flags & 1) delete this;
        return this;
    }
    char* callback(void* arg, unsigned kind) override {
        std::string note = std::to_string(kind) + ":";
        if (kind == quon_kind_revertive) {
            auto* r = static_cast<quon_revertive_record*>(arg);
            note += std::to_string(r->device) + "," + std::to_string(r->index) + "," + std::to_string(r->state) + "," +
                    r->text;
        } else if (kind == quon_kind_button) {
            auto* b = static_cast<quon_button_record*>(arg);
            note += std::string(b->panel) + "," + b->id + "," + b->event->name + "," + b->event->value;
        } else if (kind == quon_kind_property) {
            note += static_cast<char*>(arg);
            seen.push_back(note);
            return answer;
        } else if (kind == quon_kind_timer) {
            note += std::to_string(reinterpret_cast<std::intptr_t>(arg));
            for (const char* text : debugOnTimer) quon_debug_output(text);
        } else {
            note += arg == answer ? "answer" : arg ? "record" : "null";
        }
        seen.push_back(note);
        return nullptr;
    }

    quon_client_callback* host;
    std::function<void(quon_client_callback&)> onStop;
    std::vector<std::string> seen;
    std::vector<const char*> debugOnTimer; // debugger texts each tick writes
    char answer[4] = "a=1";
};

char* send(quon_client_callback& host, const char* command) { return host.callback(const_cast<char*>(command), 0); }
void hand_back(quon_client_callback& host, char* reply) { host.callback(reply, quon_kind_release); }

std::optional<std::string> answers(const std::string& command) {
    if (command.rfind("TG", 0) == 0) return std::string("value=1");
    if (command.rfind("PS", 0) == 0) return std::string("ok");
    return std::nullopt;
}

TEST(QuonTestHost, FailsTheTestOnEachProtocolFault) {
    const struct {
        std::function<void(quon_test_host&)> run;
        const char* fault;
    } cases[] = {
        {[](quon_test_host& h) { send(h, "TG '1' 'a' 'value'"), send(h, "AS"); }, "before the reply to \"TG"},
        {[](quon_test_host& h) { send(h, "RN 3 6 1"), send(h, "AS"); }, "before the reply to \"RN"},
        {[](quon_test_host& h) {
             char* r = send(h, "TG '1' 'a' 'value'");
             hand_back(h, r), hand_back(h, r);
         },
         "or gave back already"},
        {[](quon_test_host& h) { hand_back(h, send(h, "PS '1' 'f'")); }, "which is ignored"},
        {[](quon_test_host& h) { hand_back(h, nullptr); }, "null reply nothing owes"},
        {[](quon_test_host& h) {
             h.start<fake_panel>("p").onStop = [](quon_client_callback& host) { send(host, "RN 3 6 1"); };
             h.stop();
         },
         "never handed back"},
    };
    for (const auto& c : cases) {
        quon_test_host host;
        host.reply = answers;
        EXPECT_NONFATAL_FAILURE(c.run(host), c.fault);
        // A program that is no test (a fuzz target) takes each fault itself.
        quon_test_host taken;
        taken.reply = answers;
        std::vector<std::string> faults;
        taken.onFault = [&faults](const std::string& fault) { faults.push_back(fault); };
        c.run(taken);
        ASSERT_EQ(faults.size(), 1u);
        EXPECT_NE(faults[0].find(c.fault), std::string::npos) << faults[0];
    }
}

TEST(QuonTestHost, TakesACleanConversation) {
    quon_test_host host;
    host.reply = answers;
    hand_back(host, send(host, "TG '1' 'a' 'value'"));
    hand_back(host, send(host, "RN 3 6 1")); // null, owed back all the same
    send(host, "PS '1' 'f'");                // ignored
    send(host, "AS");
    EXPECT_EQ(host.commands(), (std::vector<std::string>{"TG '1' 'a' 'value'", "RN 3 6 1", "PS '1' 'f'", "AS"}));
    EXPECT_EQ(host.outstandingReplies(), 1u); // the ignored reply to PS, never handed back
    EXPECT_FALSE(host.owing());
}

TEST(QuonTestHost, DeliversEveryKindAsTheHostBuildsIt) {
    quon_test_host host;
    fake_panel& panel = host.start<fake_panel>("p");
    int record = 0;
    host.report(3, 2, 7, "seven");
    host.button("1", "Take", "alarm=2=x");
    EXPECT_EQ(host.property("return=all"), "a=1");
    host.timer(-5);
    host.hook(quon_kind_hook6, &record);
    EXPECT_EQ(panel.seen, (std::vector<std::string>{"1:3,2,7,seven", "2:1,Take,alarm,2=x", "3:return=all", "5:answer",
                                                    "4:-5", "6:record"}));
    EXPECT_TRUE(host.commands().empty());
}

// Each host gathers the texts written while it lives, by step, without line
// ends, and gives the output back to the sink it found.
TEST(QuonTestHost, GathersDebuggerTextsByStep) {
    std::vector<std::string> outer;
    quon_set_debug_sink([](void* to, const char* text) { static_cast<std::vector<std::string>*>(to)->push_back(text); },
                        &outer);
    {
        quon_test_host host;
        fake_panel& panel = host.start<fake_panel>("p");
        panel.debugOnTimer = {"tick 1\n", "", "late\r\n"};
        host.timer(1);
        EXPECT_TRUE(host.wrote_debug("tick 1"));
        EXPECT_TRUE(host.wrote_debug("late"));
        EXPECT_EQ(host.step_debug_texts(), (std::vector<std::string>{"tick 1", "late"}));
        panel.debugOnTimer = {"tick 2"};
        host.timer(2);
        EXPECT_EQ(host.step_debug_texts(), std::vector<std::string>{"tick 2"});
        const ::testing::AssertionResult missed = host.wrote_debug("tick 1"); // an earlier step's
        EXPECT_FALSE(missed);
        EXPECT_NE(std::string(missed.message()).find("it wrote 1:\n  tick 2"), std::string::npos) << missed.message();
        host.report(3, 1, 1);
        EXPECT_TRUE(host.step_debug_texts().empty());
        EXPECT_EQ(host.debug_texts(), (std::vector<std::string>{"tick 1", "late", "tick 2"}));
        EXPECT_TRUE(outer.empty());
    }
    quon_debug_output("after");
    quon_set_debug_sink(nullptr, nullptr);
    EXPECT_EQ(outer, std::vector<std::string>{"after"});
}

// A panel that writes without end costs the host its bound, then a count.
TEST(QuonTestHost, KeepsDebuggerTextsWithinItsBound) {
    quon_test_host host;
    const std::string text(1000, 'x');
    const std::size_t written = 2 * quon_test_host::maxDebugBytes / text.size();
    for (std::size_t i = 0; i < written; ++i) quon_debug_output(text.c_str());
    EXPECT_EQ(host.debug_texts().size(), quon_test_host::maxDebugBytes / text.size());
    EXPECT_EQ(host.debug_texts().size() + host.debug_texts_dropped(), written);
}

} // namespace
