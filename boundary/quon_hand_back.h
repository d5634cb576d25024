// Which replies are handed back. A command (kind 0) whose reply the script
// reads is answered with a text owned by the host; the script copies it and
// hands the same pointer back with kind 5, before its next command. Replies to
// every other command are ignored and never handed back. The command table
// (quon_commands.h) says which are read:
//
//   TG  textGet     a non-null reply is handed back
//   XI  getIdList   a non-null reply is handed back
//   RN  routerName  the reply is handed back, a null one too
//   PS  panelShow   tested for null only; not handed back
//
// No library includes, so that any host, even one built without a C++
// library, can take this rule from here.
#ifndef QUON_HAND_BACK_H
#define QUON_HAND_BACK_H

#include "quon_commands.h"

enum quon_hand_back : unsigned {
    quon_hand_back_never = 0, // the reply is ignored
    quon_hand_back_reply = 1, // a non-null reply comes back with kind 5
    quon_hand_back_always = 2 // the reply comes back with kind 5, null included
};

// The rule for a reply the table describes.
constexpr quon_hand_back quon_reply_hand_back(quon_reply reply) {
    return reply == quon_reply_read ? quon_hand_back_reply
           : reply == quon_reply_read_null ? quon_hand_back_always
                                           : quon_hand_back_never;
}

// The rule for a command text, read from its two-letter code; a text that is
// not one of the table's commands has no reply to hand back.
constexpr quon_hand_back quon_reply_hand_back(const char* command) {
    const quon_command* c = quon_find_command(command);
    return c ? quon_reply_hand_back(c->reply) : quon_hand_back_never;
}

// Whether a reply `reply` (null or not) to a command must be handed back.
constexpr bool quon_reply_handed_back(quon_hand_back rule, const char* reply) {
    return rule == quon_hand_back_always || (reply != nullptr && rule == quon_hand_back_reply);
}
constexpr bool quon_reply_handed_back(const char* command, const char* reply) {
    return quon_reply_handed_back(quon_reply_hand_back(command), reply);
}

#endif
