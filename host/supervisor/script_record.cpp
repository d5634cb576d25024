#include "supervisor/script_record.h"

#include "scenario/format.h"

namespace quon::host {

// A studio's replay starts every script before its first step, as the first
// script's plain "start" says; later a start or stop is this script's only,
// as is the start of one whose library loaded only later (--watch).
void script_record::add(live_result r) {
    if (!recording_ || !r.recorded) return;
    if (script_.studio()) {
        const bool startUp = r.unchecked && r.step == "start" && !lateStart_;
        if (startUp && script_.index > 0) return;
        if (!startUp && (r.step == "start" || r.step == "stop" || r.step == "restart")) r.step += " " + script_.name;
        recording_->speak_for(script_.name);
    }
    recording_->add_result(r);
}

void script_record::restarted(live_result started) {
    started.step = write_step(restart_step{});
    add(std::move(started));
}

void script_record::told(const live_result& r) {
    if (recording_ && script_.studio()) recording_->add_to_held(script_.name, r.commands);
}

// A step that ends a script's process is left out; a change another script
// made stays, and a replay reports it to this script too.
void script_record::lost(const std::string& fault, const std::string& toldBy) {
    if (recording_ && toldBy.empty()) recording_->comment(fault + "; what follows replays without that step");
    else if (recording_)
        recording_->comment(script_.name + ": " + fault + ", told of a change " + toldBy +
                            " made in the step above: a replay tells it too and ends there as well");
}

// It crashed or hung (its destructor too), live only: the replay still has it.
void script_record::abandon() {
    if (!replayPanel_) return;
    if (recording_) recording_->comment("the panel process ended; a replay leaves the panel it still has");
    if (recording_ && script_.studio()) recording_->speak_for(script_.name);
    if (recording_) recording_->add_unchecked("abandon");
    replayPanel_ = false;
}

void script_record::comment(const std::string& text) {
    if (recording_) recording_->comment(text);
}

void script_record::reloaded() {
    if (recording_) recording_->add_unchecked("reloaded");
}

} // namespace quon::host
