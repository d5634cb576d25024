// Which replies are handed back. A command (kind 0) whose reply the script
// reads is answered with a text owned by the host; the script copies it and
// hands the same pointer back with kind 5, before its next command. Replies to
// every other command are ignored and never handed back.
//
//   TG  textGet     a non-null reply is handed back
//   XI  getIdList   a non-null reply is handed back
//   RN  routerName  the reply is handed back, a null one too
//   PS  panelShow   tested for null only; not handed back
//
// No includes, so that any host, even one built without a C++ library, can
// take this rule from here.
#ifndef QUON_HAND_BACK_H
#define QUON_HAND_BACK_H

// What becomes of a command's reply.
enum quon_hand_back : unsigned {
    quon_hand_back_never = 0, // the reply is ignored
    quon_hand_back_reply = 1, // a non-null reply comes back with kind 5
    quon_hand_back_always = 2 // the reply comes back with kind 5, null included
};

// The rule for a command text, read from its two-letter code; a text that is
// not a command (null, shorter than two letters) has no reply to hand back.
constexpr quon_hand_back quon_reply_hand_back(const char* command) {
    if (!command || command[0] == '\0' || command[1] == '\0') return quon_hand_back_never;
    if (command[2] != '\0' && command[2] != ' ') return quon_hand_back_never;
    const char a = command[0], b = command[1];
    if ((a == 'T' && b == 'G') || (a == 'X' && b == 'I')) return quon_hand_back_reply;
    if (a == 'R' && b == 'N') return quon_hand_back_always;
    return quon_hand_back_never;
}

// Whether a reply `reply` (null or not) to `command` must be handed back.
constexpr bool quon_reply_handed_back(const char* command, const char* reply) {
    return quon_reply_hand_back(command) == quon_hand_back_always ||
           (reply != nullptr && quon_reply_hand_back(command) == quon_hand_back_reply);
}

#endif
