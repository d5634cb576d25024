// fuzz_host: the host double of the fuzz targets. It logs every call a script
// makes on it, answers commands through a reply function (typically drawn
// from the fuzz input), and holds the script to the boundary's reply rule
// with the ledger every test host uses (quon_hand_back_ledger.h): a reply
// owed back comes back exactly once, a null one too, before the next command;
// a reply to any other command is never handed back. Such a reply is freed
// when the next command comes, and an owed one when it is handed back, so a
// late read of either is caught by the address sanitizer. `finish()` checks
// that nothing is still owed.
#ifndef FUZZ_HOST_H
#define FUZZ_HOST_H

#include "fuzz_check.h"
#include "quon_client_callback.h"
#include "quon_hand_back.h"
#include "quon_hand_back_ledger.h"

#include <algorithm>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class fuzz_host final : public quon_client_callback {
public:
    using reply_fn = std::function<std::optional<std::string>(const std::string& command)>;

    reply_fn reply;               // unset: every command is answered with null
    std::vector<std::string> log; // "C <command>", "R <n>" for the hand-back of reply n, "R null"
    bool keepLog = true;          // long runs only count
    // Every answer the reply function gave, null included, in command order.
    std::vector<std::optional<std::string>> answers;
    unsigned long commands = 0;

    void* deletingDestructor(unsigned) override { return this; }

    char* callback(void* arg, unsigned kind) override {
        if (kind == quon_kind_release) {
            handBack(static_cast<char*>(arg));
            return nullptr;
        }
        FUZZ_CHECK(kind == quon_kind_command, "a script calls its host only with kinds 0 and 5");
        FUZZ_CHECK(arg != nullptr, "a command is a text");
        ++commands;
        ignored_.reset();
        std::string text(static_cast<const char*>(arg));
        if (keepLog) log.push_back("C " + text);
        std::optional<std::string> answer = reply ? reply(text) : std::nullopt;
        if (reply && keepLog) answers.push_back(answer);
        if (!answer) {
            protocol(ledger_.command(text.c_str(), nullptr));
            return nullptr;
        }
        // Each reply is a separate heap block, so a read after the hand-back
        // or past the end is caught by the address sanitizer.
        std::unique_ptr<char[]> block(new char[answer->size() + 1]);
        std::copy(answer->c_str(), answer->c_str() + answer->size() + 1, block.get());
        char* p = block.get();
        protocol(ledger_.command(text.c_str(), p));
        if (quon_reply_handed_back(text.c_str(), p)) {
            live_.push_back({nextReply_++, std::move(block)});
        } else {
            ignored_ = std::move(block);
        }
        return p;
    }

    void finish() const { FUZZ_CHECK(!ledger_.owing(), "every reply handed back"); }

private:
    struct given {
        unsigned long number;
        std::unique_ptr<char[]> text;
    };

    // The framework copies what it needs from a reply and hands it back
    // before it sends anything else: every fault aborts.
    static void protocol(const std::string& fault) { FUZZ_CHECK(fault.empty(), fault.c_str()); }

    void handBack(char* p) {
        protocol(ledger_.handBack(p));
        if (!p) {
            if (keepLog) log.push_back("R null");
            return;
        }
        for (auto it = live_.begin(); it != live_.end(); ++it) {
            if (it->text.get() == p) {
                if (keepLog) log.push_back("R " + std::to_string(it->number));
                live_.erase(it); // frees it: a later read or second hand-back is caught
                return;
            }
        }
    }

    std::list<given> live_;
    std::unique_ptr<char[]> ignored_; // the last reply to a command that ignores it
    quon_hand_back_ledger ledger_;
    unsigned long nextReply_ = 0;
};

#endif
