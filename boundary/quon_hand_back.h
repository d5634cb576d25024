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

// What becomes of a command's reply.
enum quon_hand_back : unsigned {
    quon_hand_back_never = 0, // the reply is ignored
    quon_hand_back_reply = 1, // a non-null reply comes back with kind 5
    quon_hand_back_always = 2 // the reply comes back with kind 5, null included
};

// The rule for a reply the table describes.
constexpr quon_hand_back quon_reply_hand_back(quon_reply reply) {
    return reply == quon_reply_read        ? quon_hand_back_reply
           : reply == quon_reply_read_null ? quon_hand_back_always
                                           : quon_hand_back_never;
}

// The table's rows whose reply comes back, gathered when compiling: a host
// asks this rule of every command, so it looks among these few only.
struct quon_hand_back_rows {
    char code[quon_command_count][2] = {};        // the rows' codes
    quon_hand_back rule[quon_command_count] = {}; // the rule of each
    unsigned count = 0;                           // how many rows there are
};
// Gathers the rows from the table.
constexpr quon_hand_back_rows quon_gather_hand_back_rows() {
    quon_hand_back_rows out{};
    for (const quon_command& c : quon_commands) {
        if (quon_reply_hand_back(c.reply) == quon_hand_back_never) continue;
        out.code[out.count][0] = c.code[0];
        out.code[out.count][1] = c.code[1];
        out.rule[out.count++] = quon_reply_hand_back(c.reply);
    }
    return out;
}
// The rows, gathered once.
inline constexpr quon_hand_back_rows quon_hand_back_rows_of_table = quon_gather_hand_back_rows();

// The rule for a command text, read from its two-letter code; a text that is
// not one of the table's commands has no reply to hand back.
constexpr quon_hand_back quon_reply_hand_back(const char* command) {
    if (!command || command[0] == '\0' || command[1] == '\0') return quon_hand_back_never;
    if (command[2] != '\0' && command[2] != ' ') return quon_hand_back_never;
    const quon_hand_back_rows& rows = quon_hand_back_rows_of_table;
    for (unsigned i = 0; i < rows.count; ++i)
        if (rows.code[i][0] == command[0] && rows.code[i][1] == command[1]) return rows.rule[i];
    return quon_hand_back_never;
}

// Whether a reply `reply` (null or not) to a command must be handed back.
constexpr bool quon_reply_handed_back(quon_hand_back rule, const char* reply) {
    return rule == quon_hand_back_always || (reply != nullptr && rule == quon_hand_back_reply);
}
// The same for a command text, its rule read from its code.
constexpr bool quon_reply_handed_back(const char* command, const char* reply) {
    return quon_reply_handed_back(quon_reply_hand_back(command), reply);
}

#endif
