// bench_cases: the events the benchmarks play, and the two panels they are
// played on: kivren on the framework, and the hand-written baseline. Each case
// is one host event; a text the panel answers with is handed straight back
// with kind 5, as the host does.
#ifndef BENCH_CASES_H
#define BENCH_CASES_H

#include "quon_client_callback.h"

#include <cstddef>

enum class bench_path { framework, baseline };

struct bench_case {
    const char* name;
    unsigned kind;
    void* arg;
};

// The cases, in the order of the tables: reports first.
const bench_case* bench_cases();
std::size_t bench_case_count();

// A panel on `host` with the base path "kivren"; start-up runs here.
quon_client_callback* bench_make_panel(bench_path path, quon_client_callback* host);
// Destroys it as the host does, through slot 0.
inline void bench_destroy_panel(quon_client_callback* panel) { panel->deletingDestructor(1); }

// Delivers one case; an answer is handed back at once. Gives the answer's
// length, or -1 when there was none.
inline long bench_play(quon_client_callback* panel, const bench_case& c) {
    char* answer = panel->callback(c.arg, c.kind);
    if (!answer) return -1;
    long length = 0;
    while (answer[length]) ++length;
    panel->callback(answer, quon_kind_release);
    return length;
}

const char* bench_path_name(bench_path path);

#endif
