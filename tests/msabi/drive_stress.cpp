// kivren.dll under load, as the Microsoft-ABI host drives it: a panel created
// and deleted many times in a row, then one panel given a long mixed stream
// of events (reports of every device, in range and out, property messages
// whose answers are handed back, control events, ticks, kinds 6, 7 and
// beyond, null hand-backs). The stream comes from a fixed seed. Checked: the
// commands each life and each event must send (counted against the panel's
// rules), every property answer, every reply handed back once and nothing
// foreign handed back, and the process's private memory not growing over the
// second half of the stream.
#include "host_double.h"
#include "host_runtime.h"

extern "C" {
struct process_memory_counters {
    unsigned long cb, pageFaultCount;
    host_size_t peakWorkingSetSize, workingSetSize, quotaPeakPagedPoolUsage, quotaPagedPoolUsage,
        quotaPeakNonPagedPoolUsage, quotaNonPagedPoolUsage, pagefileUsage, peakPagefileUsage;
};
__declspec(dllimport) void* __stdcall GetCurrentProcess();
__declspec(dllimport) int __stdcall K32GetProcessMemoryInfo(void* process, process_memory_counters* counters,
                                                            unsigned long size);
}

int drive_stress(load_script_fn load);

namespace {

const int cycles = 5000;
const int events = 1000000;

int failed = 0;
void check(bool condition, const char* what, int at) {
    if (tally(condition)) return;
    if (++failed <= 20) printf("FAIL: stress: %s (at %d)\n", what, at);
}

// xorshift32: the same stream on every run.
unsigned seed = 2463534242u;
unsigned next() {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
}
int between(int low, int high) { return low + static_cast<int>(next() % static_cast<unsigned>(high - low + 1)); }

// Counts what the panel sends; answers "RN" with a name (null for source
// 16); checks that each reply comes back once and nothing else does.
class stress_host : public quon_client_callback {
public:
    int commands = 0, tp = 0, et = 0, lastEt = 0, shutdown = 0, handBacks = 0, unknown = 0;
    char* live = nullptr;
    char reply[32];

    char* callback(void* arg, unsigned kind) override {
        const char* text = static_cast<const char*>(arg);
        if (kind == 5) {
            if (!text) return nullptr;
            if (text == live) {
                live = nullptr;
                ++handBacks;
            } else {
                ++unknown;
            }
            return nullptr;
        }
        if (kind != 0 || !text) {
            ++unknown;
            return nullptr;
        }
        ++commands;
        check(live == nullptr, "a command came before the last reply was handed back", commands);
        check(text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'A' && text[1] <= 'Z' &&
                  (text[2] == ' ' || text[2] == '\0'),
              "a command begins with its two-letter code", commands);
        if (strncmp(text, "TP ", 3) == 0) ++tp;
        if (strncmp(text, "ET ", 3) == 0) {
            ++et;
            lastEt = 0;
            const char* p = text + 3;
            const bool negative = *p == '-';
            if (negative) ++p;
            while (*p >= '0' && *p <= '9') lastEt = lastEt * 10 + (*p++ - '0');
            if (negative) lastEt = -lastEt;
        }
        if (strcmp(text, "RU 3") == 0 || strcmp(text, "GU 1") == 0 || strcmp(text, "IU 2") == 0 ||
            strcmp(text, "AS") == 0)
            ++shutdown;
        // Source 16 has no name: its null reply is handed back too, or not.
        if (strncmp(text, "RN 3 6 ", 7) == 0 && strcmp(text, "RN 3 6 16") != 0) {
            sprintf(reply, "chanimg/n%s.jpg", text + 7);
            live = reply;
            return live;
        }
        return nullptr;
    }
};

// TP commands a report must give, by the panel's rules (a source outside the
// table, a lit lamp with a negative number and a tally text that is no
// number or out of range give none).
int expected_puts(int device, int index, int state, const char* text) {
    if (device == 3) return state >= 0 && state <= 16 ? 1 : 0;
    if (device == 1 && index <= 16) return state != 0 && index < 0 ? 0 : 2;
    if (device == 2 && index >= 1 && index <= 12) return 1;
    if (device == 2 && index >= 21 && index <= 32) return text[0] >= '0' && text[0] <= '3' && text[1] == '\0' ? 2 : 0;
    return 0;
}

host_size_t private_bytes() {
    process_memory_counters c = {};
    c.cb = sizeof c;
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c) ? c.pagefileUsage : 0;
}

char record[16 + 320];
char message[96];
char stored[64];
char expect_answer[96];

void one_event(quon_client_callback* script, stress_host& host, int at) {
    const int what = between(0, 99);
    if (what < 50) {
        static const int devices[] = {1, 2, 3, 3, 1, 2, 4, 0};
        int fields[4] = {devices[between(0, 7)], 0, between(-2, 40), between(-2, 18)};
        memcpy(record, fields, sizeof fields);
        char* text = record + 16;
        if (between(0, 1)) {
            sprintf(text, "%d", between(-1, 5));
        } else {
            const int length = between(0, 300);
            for (int i = 0; i < length; ++i) text[i] = static_cast<char>('a' + between(0, 25));
            text[length] = '\0';
        }
        const int before = host.tp;
        check(script->callback(record, 1) == nullptr, "a report is answered with null", at);
        check(host.tp - before == expected_puts(fields[0], fields[2], fields[3], text),
              "a report sends the updates the panel's rules give", at);
    } else if (what < 70) {
        const int kind = between(0, 3);
        if (kind == 0) {
            sprintf(stored, "v%u", next() % 100000u);
            sprintf(message, "myParam=%s", stored);
            expect_answer[0] = '\0';
        } else if (kind == 1) {
            sprintf(message, "%s", between(0, 1) ? "return=all" : "return=myParam");
            sprintf(expect_answer, "myParam=%s", stored);
        } else if (kind == 2) {
            sprintf(message, "%s", "_events");
            sprintf(expect_answer, "notify=*");
        } else {
            sprintf(message, "instance=%u", next());
            expect_answer[0] = '\0';
        }
        char* answer = script->callback(message, 3);
        if (expect_answer[0] == '\0') {
            check(answer == nullptr, "an empty answer reaches the host as null", at);
        } else {
            check(answer != nullptr && strcmp(answer, expect_answer) == 0, "a property answer", at);
        }
        if (answer) check(script->callback(answer, 5) == nullptr, "a hand-back is answered with null", at);
    } else if (what < 80) {
        host_param_message event = host_event("alarm", "ack");
        host_button_record button = {{0, 0}, "1", between(0, 1) ? "AckAll" : "ActionAll", &event};
        const int before = host.commands;
        check(script->callback(&button, 2) == nullptr, "a control event is answered with null", at);
        check(host.commands == before, "a control event sends nothing", at);
    } else if (what < 90) {
        const int id = between(-5, 100000);
        const int before = host.et;
        check(script->callback(reinterpret_cast<void*>(id), 4) == nullptr, "a tick is answered with null", at);
        check(host.et == before + 1 && host.lastEt == id, "a tick stops its own timer", at);
    } else {
        static const unsigned kinds[] = {5, 6, 7, 0, 8, 9, 100, 0xffffffffu};
        const unsigned kind = kinds[between(0, 7)];
        int hook[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        const int before = host.commands;
        check(script->callback(kind == 5 ? nullptr : hook, kind) == nullptr, "other kinds are answered with null", at);
        check(host.commands == before, "other kinds send nothing", at);
    }
}

} // namespace

int drive_stress(load_script_fn load) {
    // Many lives in a row.
    for (int i = 0; i < cycles; ++i) {
        stress_host host;
        quon_client_callback* script = load(&host, "C:/panels/kivren");
        check(script != nullptr, "the factory returns a script", i);
        if (!script) break;
        check(host.commands == 23, "23 start-up commands", i);
        delete script;
        check(host.shutdown == 4 && host.commands == 27, "RU, GU, IU and AS at shut-down", i);
        check(host.handBacks == 15 && host.live == nullptr && host.unknown == 0, "each name handed back once", i);
    }

    // One long life.
    stress_host host;
    quon_client_callback* script = load(&host, "C:/panels/kivren");
    check(script != nullptr, "the factory returns a script", 0);
    if (!script) return failed;
    host_size_t half = 0;
    for (int e = 0; e < events; ++e) {
        if (e == events / 2) half = private_bytes();
        one_event(script, host, e);
    }
    const host_size_t end = private_bytes();
    delete script;
    check(host.unknown == 0 && host.live == nullptr, "nothing foreign handed back, nothing left out", events);
    check(half != 0 && end <= half + 1024 * 1024, "private memory does not grow over the second half", events);
    printf("stress: %d lives; %d events, %d commands, private memory %lu KiB at half, %lu KiB at the end\n", cycles,
           events, host.commands, static_cast<unsigned long>(half / 1024), static_cast<unsigned long>(end / 1024));
    return failed;
}
