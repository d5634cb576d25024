// panel_supervisor's changes of panel: a restart, and a rebuilt library
// (--watch) tried in a process of its own before the old panel goes. The
// recording is kept to what a replay carries out: a "stop" only while the
// replay has a panel, a "restart" (the library loaded afresh, as the new
// process loads it) with the commands it causes.
#include "supervisor/panel_supervisor.h"

namespace quon::host {

using steady = std::chrono::steady_clock;

void panel_supervisor::stop_panel() {
    if (life_.link() && panelRunning_) { // the panel is destroyed through slot 0, as a host does
        live_result stopped;
        if (talk(frame("stop", ""), "result", &stopped)) record_.add(stopped);
    }
    if (!life_.link()) record_.abandon();
    if (life_.link() && talk(frame("finish", ""), "bye", nullptr)) life_.link()->end(steady::now() + stopGrace);
    life_.drop();
    pages_.story().fault.clear();
    pages_.story().step.clear();
}

void panel_supervisor::begin_panel(const std::string& why) {
    for (const device_change& c : pages_.reported().devices().list()) life_.link()->post(device_frame(c));
    for (const device_change& c : pages_.reported().names().list()) life_.link()->post(device_frame(c, "name"));
    pages_.story().note = why;
    // The first library did not load: the panel begins as it would have
    // then; one script of a studio's scenario just starts, the scenario being the studio's.
    if (!begun_ && !setup_.stepped) {
        begun_ = true;
        record_.started_late();
        if (talk(frame("begin", "scenario"), "begun", nullptr, counted())) panelRunning_ = true;
        publish();
        return;
    }
    begun_ = true;
    live_result started;
    if (talk(frame("begin", "start"), "result", &started)) record_.restarted(started);
    if (life_.link() && talk("", "begun", nullptr)) panelRunning_ = true;
    publish();
}

void panel_supervisor::restart(const std::string& why) {
    say("\n[" + why + "] a new panel process, the devices as they were\n");
    stop_panel();
    record_.comment(why);
    std::string error;
    int status = 0;
    if (!start_process(!begun_, error, status)) {
        if (life_.link() == nullptr && pages_.story().fault.empty()) pages_.story().fault = error;
        publish();
        return;
    }
    begin_panel(why);
}

// The new build is loaded in a process of its own first: one that does not
// load (written halfway, no library, crashing as it loads) is tried again
// while the watch lets it (a linker may still be writing it), then is not
// ready; the panel that runs runs on.
void panel_supervisor::reload() {
    std::string error;
    if (const rebuilt_load loaded = load_rebuilt(error); loaded != rebuilt_load::loaded) {
        if (loaded == rebuilt_load::not_ready)
            say("\n[the rebuilt library is not ready (" + error + "); waiting for the next build]\n");
        return;
    }
    const std::string why = "the library was rebuilt: reloaded";
    say("\n[" + why + "] a new panel process, the devices as they were\n");
    stop_panel();
    record_.comment(why);
    record_.reloaded();
    life_.take_rebuilt();
    pages_.reported().ticks().reset(steady::now());
    say("\n[panel process " + std::to_string(life_.link()->pid()) + "] " + setup_.request.library + " loaded\n");
    begin_panel(why);
}

void panel_supervisor::watch() {
    if (life_.rebuilt()) reload();
}

} // namespace quon::host
