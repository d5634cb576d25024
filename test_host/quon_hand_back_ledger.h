// quon_hand_back_ledger: the reply protocol as a host double checks it, from the
// boundary's rule (quon_hand_back.h). After each command it knows which reply,
// null included, the script owes back; it names every fault: a command sent
// while a reply is owed, a hand-back of a reply the script must ignore, of
// a null not owed, or of a text the host never gave. One ledger per host
// object; no threads.
#ifndef QUON_HAND_BACK_LEDGER_H
#define QUON_HAND_BACK_LEDGER_H

#include "quon_hand_back.h"

#include <string>

class quon_hand_back_ledger {
public:
    // A command and the reply the host gives it. Returns a fault, or "".
    std::string command(const char* text, const char* reply) {
        std::string fault = owing() ? "command \"" + std::string(text ? text : "<null>") +
                                          "\" sent before the reply to \"" + owedFor_ + "\" came back"
                                    : std::string();
        owing_ = quon_reply_handed_back(text, reply);
        owed_ = reply;
        owedFor_ = text ? text : "";
        ignored_ = owing_ ? nullptr : reply;
        return fault;
    }

    // A hand-back (kind 5) of `reply`. Returns a fault, or "".
    std::string handBack(const char* reply) {
        if (owing_ && reply == owed_) {
            owing_ = false;
            return std::string();
        }
        if (reply && reply == ignored_) return "hand-back of the reply to \"" + owedFor_ + "\", which is ignored";
        if (!reply) return "hand-back of a null reply nothing owes";
        return "hand-back of a text the host did not give, or gave back already";
    }

    bool owing() const { return owing_; } // whether a reply, null included, is owed back now

private:
    bool owing_ = false;
    const char* owed_ = nullptr;
    const char* ignored_ = nullptr;
    std::string owedFor_;
};

#endif
