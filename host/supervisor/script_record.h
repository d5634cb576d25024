// script_record: one script's part of serve's recording: the steps its
// processes carried out (named for the script in a studio) and the marks a
// replay needs where the live session changed course: a process lost, a
// restart (as the step that loads the library afresh), a reload, a panel the
// replay still has and must abandon.
#ifndef HOST_SUPERVISOR_SCRIPT_RECORD_H
#define HOST_SUPERVISOR_SCRIPT_RECORD_H

#include "server/recording.h"
#include "supervisor/script_pages.h"

#include <string>

namespace quon::host {

class script_record {
public:
    explicit script_record(serve_script script) : script_(std::move(script)) {}

    // None: nothing is recorded.
    void open(scenario_recording* recording) { recording_ = recording; }
    // What the process carried out.
    void add(live_result result);
    // The start of the panel in a new process (a restart, a reload): a
    // "restart", which a replay plays with the library loaded afresh, as the
    // new process loaded it, so that its globals start new there too.
    void restarted(live_result started);
    // What the process sent when told of another script's changes: part of
    // the step a studio holds, when that step is this script's.
    void told(const live_result& result);
    // The panel began only once a rebuilt library loaded (--watch): its start is this script's own.
    void started_late() { lateStart_ = true; }
    // Whether a replay has a panel here, as the last state said.
    void replay_has_panel(bool has) { replayPanel_ = has; }
    // The process was lost with `fault`, in its own step or told of the
    // changes script `toldBy` made.
    void lost(const std::string& fault, const std::string& toldBy);
    // The process is gone: a replay that still has the panel abandons it.
    void abandon();
    void comment(const std::string& text);
    // A rebuilt library replaced the panel.
    void reloaded();

private:
    serve_script script_;
    scenario_recording* recording_ = nullptr;
    bool replayPanel_ = false; // a replay of the recording has a panel here
    bool lateStart_ = false;
};

} // namespace quon::host

#endif
