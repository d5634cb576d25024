// event_stream: a long, mixed, reproducible run of host events for one panel,
// drawn from a seed: status reports from the panel's three devices and from
// others (texts short and long, tally states in and out of range), control
// events, property messages whose answers are handed back with kind 5, timer
// ticks, kinds 6 and 7, kind 5 with null, and kinds the panel does not know.
// The same seed gives the same events in the same order on any thread.
#ifndef EVENT_STREAM_H
#define EVENT_STREAM_H

#include "quon_client_callback.h"
#include "stream_host.h"

#include <cstdint>
#include <random>
#include <string>

class event_stream {
public:
    explicit event_stream(std::uint64_t seed) : random_(seed) {}

    // Draws the next event and delivers it to script. A property answer is
    // noted in host's record ("A <text>") and handed back at once.
    void deliver(quon_client_callback* script, stream_host& host);

    // Sets both panel properties to fixed values, so that the panel's memory
    // is the same at two measuring points whatever the stream set before.
    static void settle(quon_client_callback* script);

private:
    int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::string text(std::size_t longest);
    void report(quon_client_callback* script);
    void button(quon_client_callback* script);
    void property(quon_client_callback* script, stream_host& host);

    std::mt19937_64 random_;
};

#endif
