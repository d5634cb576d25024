// The whole life of kivren.dll as the host lives it: start-up, a report of
// every device, property queries, a control event, timer ticks, the kinds
// the panel does not handle, and the host's delete.
#include "host_double.h"
#include "host_runtime.h"

#define COUNT(a) static_cast<int>(sizeof(a) / sizeof((a)[0]))

namespace {
// Source n is named "chanimg/source_n.jpg"; source 16 gets no name (null).
char names[16][32];
char rnCommands[16][16];

void expectReport(host_double& host, quon_client_callback* script, int device, int index, int state, const char* text,
                  const char* const* want, int count, const char* step) {
    host_revertive_record record = {device, 0, index, state, {0}};
    memcpy(record.text, text, strlen(text) + 1);
    host.clearLog();
    expect(script->callback(&record, 1) == nullptr, "a report is answered with null");
    expectLog(host, want, count, step);
}

void expectAnswer(host_double& host, quon_client_callback* script, const char* message, const char* want) {
    char out[128];
    const char* got = host.ask(script, message, out, sizeof out);
    if (want == nullptr ? got == nullptr : (got != nullptr && strcmp(got, want) == 0)) return;
    printf("FAIL: property \"%s\" answered \"%s\", expected \"%s\"\n", message, got ? got : "<null>",
           want ? want : "<null>");
    expect(false, "property answer");
}
} // namespace

int drive_kivren(load_script_fn load) {
    host_double host;
    for (int n = 1; n <= 16; ++n) {
        sprintf(rnCommands[n - 1], "RN 3 6 %d", n);
        sprintf(names[n - 1], "chanimg/source_%d.jpg", n);
        if (n < 16) host.answer(rnCommands[n - 1], names[n - 1]);
    }

    quon_client_callback* script = load(&host, "C:/panels/kivren");
    expect(script != nullptr, "the factory returns a script");
    if (!script) return failures();

    // Start-up: each name is handed back before the next is asked for.
    char startup[39][48];
    const char* want[39];
    int count = 0;
    for (int n = 1; n <= 16; ++n) {
        sprintf(startup[count], "0:%s", rnCommands[n - 1]);
        want[count] = startup[count];
        ++count;
        sprintf(startup[count], "5:%s", n < 16 ? names[n - 1] : "<null>");
        want[count] = startup[count];
        ++count;
    }
    const char* const rest[] = {"0:PS '1' 'C:/panels/kivren/panel1024.quon_ui'",
                                "0:RR 3 1 16",
                                "0:GR 1 1 16",
                                "0:IR 2 1 40",
                                "0:RP 3 1 16",
                                "0:GP 1 1 16",
                                "0:IP 2 1 40"};
    for (const char* r : rest) want[count++] = r;
    expectLog(host, want, count, "start-up");
    expect(host.outstandingReplies() == 0, "every name reply was handed back");
    expect(host.unknownHandBacks() == 0, "nothing foreign was handed back");

    // One report of each device.
    const char* const mon5[] = {"0:TP 'pixmap=chanimg/source_3.jpg' '1' 'Mon_5'"};
    expectReport(host, script, 3, 5, 3, "", mon5, COUNT(mon5), "router report");
    const char* const parked[] = {"0:TP 'pixmap=chanimg/parked.jpg' '1' 'Mon_2'"};
    expectReport(host, script, 3, 2, 0, "", parked, COUNT(parked), "router parked");
    const char* const unnamed[] = {"0:TP 'pixmap=' '1' 'Mon_2'"};
    expectReport(host, script, 3, 2, 16, "", unnamed, COUNT(unnamed), "router source without a name");
    expectReport(host, script, 3, 2, 17, "", nullptr, 0, "router source 17");
    const char* const gpiOn[] = {"0:TP 'colour.background=#d1d810' '1' 'GPI_7'",
                                 "0:TP 'colour.text=#000000' '1' 'GPI_7'"};
    expectReport(host, script, 1, 7, 5, "", gpiOn, COUNT(gpiOn), "GPI on");
    const char* const gpiOff[] = {"0:TP 'colour.background=#000000' '1' 'GPI_7'",
                                  "0:TP 'colour.text=#ffffff' '1' 'GPI_7'"};
    expectReport(host, script, 1, 7, 0, "", gpiOff, COUNT(gpiOff), "GPI off");
    expectReport(host, script, 1, 17, 1, "", nullptr, 0, "GPI 17");
    const char* const umd[] = {"0:TP 'text=Studio 'A' = live.' '1' 'UMD_3'"};
    expectReport(host, script, 2, 3, 9, "Studio 'A' = live.", umd, COUNT(umd), "UMD text");
    const char* const tally2[] = {"0:TP 'colour.background=#000000' '1' 'UMDL_1'",
                                  "0:TP 'colour.background=#E00000' '1' 'UMDR_1'"};
    expectReport(host, script, 2, 21, 0, "2", tally2, COUNT(tally2), "tally 2");
    const char* const tally3[] = {"0:TP 'colour.background=#E00000' '1' 'UMDL_12'",
                                  "0:TP 'colour.background=#E00000' '1' 'UMDR_12'"};
    expectReport(host, script, 2, 32, 0, "3", tally3, COUNT(tally3), "tally 3");
    expectReport(host, script, 2, 25, 0, "abc", nullptr, 0, "tally not a number");
    expectReport(host, script, 4, 1, 1, "1", nullptr, 0, "other device");

    // Properties: answers are the script's heap texts, handed back with kind 5.
    host.clearLog();
    expectAnswer(host, script, "return=all", "myParam=");
    expectAnswer(host, script, "myParam=abc", nullptr);
    expectAnswer(host, script, "return=myParam", "myParam=abc");
    expectAnswer(host, script, "return=all", "myParam=abc");
    expectAnswer(host, script, "instance=x", nullptr);
    expectAnswer(host, script, "return=instance", nullptr);
    expectAnswer(host, script, "_events", "notify=*");
    expectAnswer(host, script, "_commands", "myParam=[value]");
    expectAnswer(host, script, "unknown", nullptr);
    expectLog(host, nullptr, 0, "properties send nothing");

    // A control event, even "AckAll", does nothing.
    host_param_message event = host_event("click", "");
    host_button_record button = {{0, 0}, "1", "AckAll", &event};
    expect(script->callback(&button, 2) == nullptr, "a button is answered with null");
    expectLog(host, nullptr, 0, "button");

    // Timer ticks stop their own timer.
    expect(script->callback(reinterpret_cast<void*>(7), 4) == nullptr, "a tick is answered with null");
    expect(script->callback(reinterpret_cast<void*>(-1), 4) == nullptr, "a tick is answered with null");
    const char* const ticks[] = {"0:ET 7", "0:ET -1"};
    expectLog(host, ticks, COUNT(ticks), "timer");

    // Every other kind is harmless.
    host.clearLog();
    char text[] = "AS";
    int record[8] = {3, 0, 1, 1, 0, 0, 0, 0};
    expect(script->callback(text, 0) == nullptr, "kind 0 is answered with null");
    expect(script->callback(record, 6) == nullptr, "kind 6 is answered with null");
    expect(script->callback(record, 7) == nullptr, "kind 7 is answered with null");
    expect(script->callback(record, 8) == nullptr, "kind 8 is answered with null");
    expect(script->callback(record, 1000) == nullptr, "kind 1000 is answered with null");
    expect(script->callback(nullptr, 5) == nullptr, "kind 5 with null is answered with null");
    expectLog(host, nullptr, 0, "other kinds");

    // The host's delete: slot 0 with flags 1.
    delete script;
    const char* const shutdown[] = {"0:RU 3", "0:GU 1", "0:IU 2", "0:AS"};
    expectLog(host, shutdown, COUNT(shutdown), "shut-down");
    expect(host.outstandingReplies() == 0, "no reply left outstanding");
    return failures();
}
