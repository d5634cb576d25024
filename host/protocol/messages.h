// messages: the messages of the panel's process and the server, each
// one frame (protocol/frames.h). To the panel's process:
//   device "NUMBER INDEX TEXT"  a device's state to start from (before begin)
//   name "NUMBER SOURCE TEXT"   a source's picture name to start from (before begin)
//   begin  "scenario" | "start" | "paused"  play the scenario given, or the
//                               step "start", or nothing yet (serve --paused)
//   step   "N"                  paused: play the scenario's step N, the next
//                               one; after its last, start the panel if no step did
//   play   "N"                  one script of several (begun "paused"): play
//                               step N of the scenario alone; 0: start the
//                               panel if no step did
//   act    "ORIGIN\nSTEP"       a page's action, as one scenario step
//   told   "TOLD REACHED\nSTEP" a studio's: the action (its step) that the
//                               next message continues, and how many reports
//                               of changes it told so far (change_bound); a
//                               begin is a start, counted from none
//   change frames               from "ORIGIN", made "NUMBER INDEX N TEXT"...:
//                               devices another script of a studio changed,
//                               reported to this one as a host would, in order
//   stop   ""                   the step "stop": destroyed through slot 0
//   finish ""                   stop the panel, print the summary, end
// From it:
//   failed "WHY"   an input did not load; it ends
//   unloadable "WHY" the library did not load; it ends (--watch waits for a build)
//   ready  "PID"   loaded; the begin may come
//   log    TEXT    conversation text as printed
//   state  frames  what the pages show, as far as it changed since the last
//                  state from the same process (its first holds everything):
//                  summary, devices, status; picture (around, control, ...,
//                  around: the whole picture cut at its control groups) or
//                  control "PLACE\nGROUP"... (the groups that changed); device...,
//                  name... (the indices and source names that changed);
//                  a studio's: made "NUMBER INDEX N TEXT"... (each change its
//                  script or step made since, typed, in order) and told (as
//                  the server's, how far the action's count is now);
//                  always clock "NOW" and timer "ID PERIOD DUE TICKS"...: the
//                  host's timers in virtual milliseconds, from which the server ticks them
//   result frames  ok, step, error, property, answer, recorded, command...
//   begun  ""      the begin (or the step) is played; "1" when run would
//                  fail what was played so far
//   bye    ""      finished; it ends
//   guard  "KIND CODE STEP"  its step guard ends it for a crash, a hang or
//                  memory (protocol/guard_frame.h); written from the guard's handler
//   doing  "STEP"  a step begins (as the guard names it): an end with no
//                  report (exit, _exit) is named with it
//   own-failure "WHY"  this program's own code failed in it (out of memory);
//                  it ends, no fault of the panel's
// Every message to it but device, name and told is answered, at the latest, by
// the frame after which it waits again (result, begun, bye). Answers are
// numbered: the server sends "ask N" before each message it waits an answer
// for, and the process sends "answers N" first in each write of frames
// (state, result, begun, bye) that answer it; an answer numbered otherwise
// is another process's (the panel forked and its child carried on), never
// taken for the one awaited.
#ifndef HOST_PROTOCOL_MESSAGES_H
#define HOST_PROTOCOL_MESSAGES_H

#include "devices/file.h"
#include "devices/model.h"
#include "protocol/frames.h"
#include "picture/svg_writer.h"
#include "session/studio.h"
#include "session/timer_clock.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quon::host {

// What the panel's process answers to an action.
struct live_result {
    bool ok = false;
    std::string step;  // the step carried out
    std::string error; // why not
    bool property = false;
    std::optional<std::string> answer; // a property message's answer (null: none)
    bool fault = false;                // the panel crashed or hung on it: its process ended
    bool unchecked = false;            // recorded without the commands it caused
    bool recorded = false;             // the step changed something: the recording gets it
    std::vector<std::string> commands; // what the panel sent for it
    // The server's own, not on the pipe: a paused scenario's step whose page
    // is shown, and its number of steps.
    std::optional<std::pair<std::size_t, std::size_t>> shown;
};

// An "act" frame: a page's action (or a timer tick), as one scenario step
// in its canonical text, and where it comes from, for the log.
std::string act_message(const std::string& origin, const std::string& step);
bool read_act(std::string_view bytes, std::string& origin, std::string& step);

std::string result_message(const live_result& r);
bool read_result(std::string_view bytes, live_result& r);

// The host's timers as the panel's process reports them: its virtual clock
// and the timers running on it.
struct timer_report {
    std::int64_t nowMs = 0;
    std::vector<timer_clock::timer> running;
};

// A state message: what changed since the last one. Parts left empty did not change.
struct state_update {
    std::optional<std::string> summary, devices, status;       // as feed_state holds them
    std::optional<page_picture> picture;                       // the whole picture, arranged anew
    std::vector<std::pair<std::size_t, std::string>> controls; // else the groups that changed, by place
    std::vector<device_change> deviceStates,
        names;           // as device_states() and source_names() of panel_process/live_panel.h
    timer_report timers; // always whole
    // A studio's: the changes made since the last state, in order (at most
    // change_bound::maxChangesPerAction: more pass the bound), and the count
    // of the action that the process continued.
    std::vector<device_setting> made;
    std::optional<change_bound::count> told;
};

std::string state_message(const state_update& u);
bool read_state(std::string_view bytes, state_update& u);

// A "change" frame: devices changed by the script named in `origin`.
std::string change_message(const std::string& origin, const std::vector<device_setting>& changes);
bool read_change(std::string_view bytes, std::string& origin, std::vector<device_setting>& changes);

// A typed change's frame, "NUMBER INDEX N TEXT" (the state's number and
// text as they are): the one form of a change on the pipe, both ways.
std::string setting_frame(const device_setting& c);
bool read_setting(std::string_view bytes, device_setting& c);

// A "told" frame: how far an action's count is.
std::string told_frame(const change_bound::count& c);
bool read_told(std::string_view bytes, change_bound::count& c);

// A "device" frame, or with `name` "name", and the NUMBER INDEX TEXT of either.
std::string device_frame(const device_change& c, const char* name = "device");
bool read_device(std::string_view bytes, device_change& c);

} // namespace quon::host

#endif
