// The test host's own checks: each fault of the reply protocol fails the
// running test and a clean conversation does not; each event kind reaches the
// panel as the host builds it.
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
        } else {
            note += arg == answer ? "answer" : arg ? "record" : "null";
        }
        seen.push_back(note);
        return nullptr;
    }

    quon_client_callback* host;
    std::function<void(quon_client_callback&)> onStop;
    std::vector<std::string> seen;
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

} // namespace
