// The framework boundary on its own, through the echo panel: every kind
// reaches its handler, answers go out and come back, delete runs the chain.
#include "host_double.h"
#include "host_runtime.h"

#define COUNT(a) static_cast<int>(sizeof(a) / sizeof((a)[0]))

int drive_echo(load_script_fn load) {
    host_double host;
    host.answer("RN 9 1 2", "nine");
    quon_client_callback* script = load(&host, "base");
    expect(script != nullptr, "the factory returns a script");
    if (!script) return failures();
    const char* const startup[] = {"0:PS 'echo' 'base/echo.quon_ui'", "0:RN 9 1 2", "5:nine"};
    expectLog(host, startup, COUNT(startup), "echo start-up");

    host.clearLog();
    host_revertive_record report = {5, 0, 6, 7, "a b"};
    expect(script->callback(&report, 1) == nullptr, "a report is answered with null");
    host_param_message event = host_event("press", "1");
    host_button_record button = {{0, 0}, "p1", "b2", &event};
    expect(script->callback(&button, 2) == nullptr, "a button is answered with null");
    expect(script->callback(reinterpret_cast<void*>(3), 4) == nullptr, "a tick is answered with null");
    int record[4] = {0, 0, 0, 0};
    expect(script->callback(record, 6) == nullptr, "kind 6 is answered with null");
    expect(script->callback(record, 7) == nullptr, "kind 7 is answered with null");
    expect(script->callback(record, 8) == nullptr, "kind 8 is answered with null");
    expect(script->callback(record, 0) == nullptr, "kind 0 is answered with null");
    const char* const events[] = {"0:TP 'rev=5,6,7,a b' 'echo' 'r'", "0:TP 'btn=p1|b2|press|1' 'echo' 'b'", "0:ET 3",
                                  "0:TP 'hook=6' 'echo' 'h'", "0:TP 'hook=7' 'echo' 'h'"};
    expectLog(host, events, COUNT(events), "echo events");

    char out[64];
    const char* got = host.ask(script, "colour.x=red", out, sizeof out);
    expect(got && strcmp(got, "echo:colour=red") == 0, "echo answers a property message");
    got = host.ask(script, "name", out, sizeof out);
    expect(got && strcmp(got, "nine") == 0, "echo answers with the name it fetched");
    expect(host.ask(script, "quiet", out, sizeof out) == nullptr, "an empty answer reaches the host as null");

    host.clearLog();
    delete script;
    const char* const shutdown[] = {"0:TP 'bye=1' 'echo' 'x'", "0:AS"};
    expectLog(host, shutdown, COUNT(shutdown), "echo shut-down");
    expect(host.outstandingReplies() == 0, "no reply left outstanding");
    return failures();
}
