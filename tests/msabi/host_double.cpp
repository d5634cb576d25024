#include "host_double.h"

#include "host_runtime.h"
#include "quon_hand_back.h"

namespace {
// One host at a time: its records live here, outside any stack frame.
const int maxEntries = 96;
const int maxText = 512;
const int maxAnswers = 24;
const int maxLive = 16;

struct host_state {
    char log[maxEntries][maxText];
    int logSize;
    const char* answerCommand[maxAnswers];
    const char* answerReply[maxAnswers];
    int answers;
    char* live[maxLive]; // replies owed back
    char* ignored;       // the last reply the script must not hand back
    int nullsOwed;       // null replies owed back
    int unknown;
    int checks;
    int failures;
} state;

void record(unsigned kind, const char* text) {
    if (state.logSize == maxEntries) {
        expect(false, "host log is full");
        return;
    }
    char* entry = state.log[state.logSize++];
    const int head = sprintf(entry, "%u:", kind);
    const host_size_t length = strlen(text);
    const host_size_t room = static_cast<host_size_t>(maxText - head - 1);
    memcpy(entry + head, text, length < room ? length : room);
    entry[head + static_cast<int>(length < room ? length : room)] = '\0';
    if (length >= room) expect(false, "host log text cut short");
}

char* copyText(const char* text) {
    const host_size_t length = strlen(text);
    char* block = static_cast<char*>(malloc(length + 1));
    memcpy(block, text, length + 1);
    return block;
}
} // namespace

quon_client_callback::~quon_client_callback() {}

host_double::host_double() {
    state.logSize = 0;
    state.answers = 0;
    state.unknown = 0;
    state.ignored = nullptr;
    state.nullsOwed = 0;
    for (char*& slot : state.live) slot = nullptr;
}

host_double::~host_double() {
    for (char*& slot : state.live) free(slot);
    free(state.ignored);
}

char* host_double::callback(void* arg, unsigned kind) {
    const char* text = static_cast<const char*>(arg);
    if (kind == 5) {
        if (!text) {
            record(kind, "<null>");
            if (state.nullsOwed > 0) --state.nullsOwed;
            else ++state.unknown; // a null nothing owed
            return nullptr;
        }
        for (char*& slot : state.live) {
            if (slot == text) {
                record(kind, slot);
                free(slot);
                slot = nullptr;
                return nullptr;
            }
        }
        ++state.unknown;
        record(kind, "<unknown>");
        return nullptr;
    }
    record(kind, text ? text : "<null>");
    if (kind != 0 || !text) return nullptr;
    // The boundary's rule decides which replies come back; the others stay
    // out of the live list, so a hand-back of one counts as unknown.
    free(state.ignored);
    state.ignored = nullptr;
    for (int i = 0; i < state.answers; ++i) {
        if (strcmp(state.answerCommand[i], text) != 0) continue;
        char* reply = copyText(state.answerReply[i]);
        if (!quon_reply_handed_back(text, reply)) return state.ignored = reply;
        for (char*& slot : state.live) {
            if (!slot) return slot = reply;
        }
        free(reply);
        expect(false, "too many replies outstanding");
        return nullptr;
    }
    if (quon_reply_handed_back(text, nullptr)) ++state.nullsOwed;
    return nullptr;
}

void host_double::answer(const char* command, const char* reply) {
    if (state.answers == maxAnswers) {
        expect(false, "too many answers");
        return;
    }
    state.answerCommand[state.answers] = command;
    state.answerReply[state.answers] = reply;
    ++state.answers;
}

void host_double::clearLog() { state.logSize = 0; }
int host_double::logSize() const { return state.logSize; }
const char* host_double::logEntry(int i) const { return state.log[i]; }
int host_double::unknownHandBacks() const { return state.unknown; }

int host_double::outstandingReplies() const {
    int count = state.nullsOwed;
    for (char* slot : state.live) count += slot != nullptr;
    return count;
}

const char* host_double::ask(quon_client_callback* script, const char* message, char* out, int outSize) {
    char buffer[256];
    const host_size_t length = strlen(message);
    if (length >= sizeof buffer) {
        expect(false, "property message too long for the test");
        return nullptr;
    }
    memcpy(buffer, message, length + 1);
    char* reply = script->callback(buffer, 3);
    if (!reply) return nullptr;
    const host_size_t room = static_cast<host_size_t>(outSize - 1);
    host_size_t kept = strlen(reply);
    if (kept > room) {
        expect(false, "property answer too long for the test");
        kept = room;
    }
    memcpy(out, reply, kept);
    out[kept] = '\0';
    script->callback(reply, 5);
    return out;
}

bool tally(bool passed) {
    ++state.checks;
    if (!passed) ++state.failures;
    return passed;
}

void expect(bool condition, const char* what) {
    if (!tally(condition)) printf("FAIL: %s\n", what);
}

int checks() { return state.checks; }
int failures() { return state.failures; }

void expectLog(const host_double& host, const char* const* want, int count, const char* step) {
    const int got = host.logSize();
    const int common = got < count ? got : count;
    for (int i = 0; i < common; ++i) {
        if (tally(strcmp(host.logEntry(i), want[i]) == 0)) continue;
        printf("FAIL: %s: call %d is \"%s\", expected \"%s\"\n", step, i, host.logEntry(i), want[i]);
    }
    for (int i = common; i < got; ++i) {
        tally(false);
        printf("FAIL: %s: unexpected call %d \"%s\"\n", step, i, host.logEntry(i));
    }
    for (int i = common; i < count; ++i) {
        tally(false);
        printf("FAIL: %s: missing call %d \"%s\"\n", step, i, want[i]);
    }
}
