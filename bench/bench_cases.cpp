#include "bench_cases.h"

#include "baseline_panel.h"
#include "kivren.h"

#include <cstdint>
#include <cstring>

namespace {

// A revertive record with room for a 200-byte text, aligned as the host's.
struct report_record {
    std::int32_t words[4];
    char text[256];
};

report_record makeReport(int device, int index, int state, const char* text) {
    report_record r{};
    r.words[0] = device;
    r.words[2] = index;
    r.words[3] = state;
    std::strncpy(r.text, text, sizeof r.text - 1);
    return r;
}

// Two hundred bytes of display text.
const char* longText() {
    static char text[201];
    for (int i = 0; i < 200; ++i) text[i] = static_cast<char>('A' + i % 26);
    text[200] = '\0';
    return text;
}

report_record router = makeReport(3, 5, 3, "");
report_record gpiOn = makeReport(1, 7, 1, "");
report_record gpiOff = makeReport(1, 7, 0, "");
report_record umdShort = makeReport(2, 3, 0, "Camera 3");
report_record umdLong = makeReport(2, 3, 0, longText());
report_record tally = makeReport(2, 21, 0, "2");
char queryAll[] = "return=all";
char queryMyParam[] = "return=myParam";
char setMyParam[] = "myParam=abc";

const bench_case cases[] = {
    {"router", quon_kind_revertive, &router},
    {"gpi_on", quon_kind_revertive, &gpiOn},
    {"gpi_off", quon_kind_revertive, &gpiOff},
    {"umd_short", quon_kind_revertive, &umdShort},
    {"umd_200", quon_kind_revertive, &umdLong},
    {"tally", quon_kind_revertive, &tally},
    {"query_all", quon_kind_property, queryAll},
    {"query_myParam", quon_kind_property, queryMyParam},
    {"property_set", quon_kind_property, setMyParam},
    {"timer", quon_kind_timer, reinterpret_cast<void*>(std::intptr_t{1})},
};

} // namespace

const bench_case* bench_cases() { return cases; }
std::size_t bench_case_count() { return sizeof cases / sizeof cases[0]; }

quon_client_callback* bench_make_panel(bench_path path, quon_client_callback* host) {
    if (path == bench_path::framework) return new kivren(host, "kivren");
    return new baseline_panel(host, "kivren");
}

const char* bench_path_name(bench_path path) { return path == bench_path::framework ? "framework" : "baseline"; }
