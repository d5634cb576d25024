// serve_messages: the messages of the panel's process and the server, each
// one frame (serve_frames.h). To the panel's process:
//   device "NUMBER INDEX TEXT"  a device's state to start from (before begin)
//   name "NUMBER SOURCE TEXT"   a source's picture name to start from (before begin)
//   begin  "scenario" | "start" play the scenario given, or the step "start"
//   act    "ORIGIN\nSTEP"       a page's action, as one scenario step
//   stop   ""                   the step "stop": destroyed through slot 0
//   finish ""                   stop the panel, print the summary, end
// From it:
//   failed "WHY"   an input did not load; it ends
//   unloadable "WHY" the library did not load; it ends (--watch waits for a build)
//   ready  "PID"   loaded; the begin may come
//   log    TEXT    conversation text as printed
//   state  frames  page, summary, devices, status, device..., name...: what the pages show;
//                  clock "NOW", timer "ID PERIOD DUE TICKS"...: the host's timers
//                  in virtual milliseconds, from which the server ticks them
//   result frames  ok, step, error, property, answer, recorded, command...
//   begun  ""      the begin is played
//   bye    ""      finished; it ends
// Every message to it but device is answered, at the latest, by the frame
// after which it waits again (result, begun, bye).
#ifndef HOST_SERVE_MESSAGES_H
#define HOST_SERVE_MESSAGES_H

#include "devices_file.h"
#include "serve_feed.h"
#include "serve_frames.h"
#include "serve_queue.h"
#include "timer_clock.h"

#include <string>
#include <vector>

std::string result_message(const live_result& r);
bool read_result(const std::string& bytes, live_result& r);

// The host's timers as the panel's process reports them: its virtual clock
// and the timers running on it.
struct timer_report {
    std::int64_t nowMs = 0;
    std::vector<timer_clock::timer> running;
};

// `names`: source_names() of serve_live.h.
std::string state_message(const feed_state& s, const std::vector<device_change>& devices,
                          const std::vector<device_change>& names, const timer_report& timers = {});
bool read_state(const std::string& bytes, feed_state& s, std::vector<device_change>& devices,
                std::vector<device_change>& names, timer_report* timers = nullptr);

// A "device" frame, or with `name` "name", and the NUMBER INDEX TEXT of either.
std::string device_frame(const device_change& c, const char* name = "device");
bool read_device(const std::string& bytes, device_change& c);

#endif
