// baseline_panel: the least work that sends the panel's command texts. A
// hand-written script with no framework and no string type: it implements the
// host interface directly, builds each command into a stack buffer with plain
// appends and integer formatting, and makes the same host calls as kivren.
// The benchmarks measure kivren against it; a start-up check makes sure both
// send byte-identical texts for every benchmarked event.
//
// It covers the events the benchmarks play, not every corner of the panel:
// texts are capped (a longer under-monitor text or property value is dropped)
// and property messages are split only at their first "." or "=".
#ifndef BASELINE_PANEL_H
#define BASELINE_PANEL_H

#include "quon_client_callback.h"

#include <cstddef>

struct quon_revertive_record;
class baseline_line;

class baseline_panel final : public quon_client_callback {
public:
    baseline_panel(quon_client_callback* host, const char* path);
    ~baseline_panel();
    baseline_panel(const baseline_panel&) = delete;
    baseline_panel& operator=(const baseline_panel&) = delete;

    void* deletingDestructor(unsigned flags) override;
    char* callback(void* arg, unsigned kind) override;

    static constexpr std::size_t maxText = 480;

private:
    struct field {
        char text[maxText + 1];
        std::size_t length;
    };

    void report(const quon_revertive_record* record);
    void tally(int display, const char* stateText);
    char* property(const char* message);
    void send(baseline_line& text);
    void numeric(const char* code, int a, int b, int c);

    quon_client_callback* host_;
    field path_;
    field picture_[17];
    field myParam_;
    field instance_;
};

#endif
