// recording_host: a host double for tests. It records every call a script
// makes on it (commands with kind 0, hand-backs with kind 5, anything else),
// answers commands from a reply function, and checks that every reply handed
// back is one it gave and not yet taken back. It also holds the script to the
// boundary's reply rule (hand_back_ledger.h): each fault fails the test.
#ifndef RECORDING_HOST_H
#define RECORDING_HOST_H

#include "hand_back_ledger.h"
#include "quon_client_callback.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <optional>
#include <string>
#include <vector>

struct host_call {
    unsigned kind;
    std::string text; // the command; for a hand-back, the reply text or "<null>"
};

class recording_host final : public quon_client_callback {
public:
    using reply_fn = std::function<std::optional<std::string>(const std::string& command)>;

    reply_fn reply; // unset: every command is answered with null
    std::vector<host_call> calls;
    int unknownHandBacks = 0; // hand-backs of pointers this host never gave

    void* deletingDestructor(unsigned) override { return this; }

    char* callback(void* arg, unsigned kind) override {
        if (kind == quon_kind_release) {
            char* p = static_cast<char*>(arg);
            protocol(ledger_.handBack(p));
            if (!p) {
                calls.push_back({kind, "<null>"});
                return nullptr;
            }
            for (auto it = live_.begin(); it != live_.end(); ++it) {
                if (it->data() == p) {
                    calls.push_back({kind, *it});
                    live_.erase(it);
                    return nullptr;
                }
            }
            ++unknownHandBacks;
            calls.push_back({kind, "<unknown>"});
            return nullptr;
        }
        std::string text = arg ? static_cast<const char*>(arg) : "<null>";
        calls.push_back({kind, text});
        if (kind != quon_kind_command) return nullptr;
        std::optional<std::string> answer = reply ? reply(text) : std::nullopt;
        char* given = nullptr;
        if (answer) {
            live_.push_back(*answer);
            given = live_.back().data();
        }
        protocol(ledger_.command(text.c_str(), given));
        return given;
    }

    // The texts of the kind 0 calls, in order.
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const host_call& c : calls)
            if (c.kind == quon_kind_command) out.push_back(c.text);
        return out;
    }

    // Replies given and not handed back yet.
    std::size_t outstandingReplies() const { return live_.size(); }

    // Whether a reply is owed back now.
    bool owing() const { return ledger_.owing(); }

private:
    static void protocol(const std::string& fault) {
        if (!fault.empty()) ADD_FAILURE() << "reply protocol: " << fault;
    }

    std::list<std::string> live_; // stable addresses while handed out
    hand_back_ledger ledger_;
};

#endif
