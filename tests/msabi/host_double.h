// host_double: the test host's object. Records every call a script makes on
// it as "kind:text", answers chosen commands with fresh heap texts, and
// holds the script to the boundary's reply rule (quon_hand_back.h): each
// reply owed back, null included, comes back exactly once; a hand-back of any
// other reply, or of a null nothing owes, counts as unknown.
#ifndef HOST_DOUBLE_H
#define HOST_DOUBLE_H

#include "host_interface.h"

class host_double : public quon_client_callback {
public:
    host_double();
    ~host_double() override;
    char* callback(void* arg, unsigned kind) override;

    // Answers `command` with `reply` from now on; other commands get null.
    void answer(const char* command, const char* reply);
    void clearLog();
    int logSize() const;
    const char* logEntry(int i) const;
    int outstandingReplies() const;
    int unknownHandBacks() const;

    // Delivers a property message as the host does: the answer is read and
    // handed back with kind 5. Returns the answer copied into `out`, or null.
    const char* ask(quon_client_callback* script, const char* message, char* out, int outSize);
};

// Failure reporting shared by the drivers. Every check is counted, passed or
// not, for the closing line.
bool tally(bool passed);
void expect(bool condition, const char* what);
int checks();
int failures();
// Compares the log with `want` (count entries) and reports every difference.
void expectLog(const host_double& host, const char* const* want, int count, const char* step);

#endif
