// runner: plays a scenario against a panel, or several scripts on one set
// of devices (a studio, session/studio.h): starts them through their
// factories, applies each step to the devices or the script it goes to,
// checks the expectations, writes the snapshots, stops the scripts and prints
// the summary.
#ifndef HOST_SCENARIO_RUNNER_H
#define HOST_SCENARIO_RUNNER_H

#include "session/conversation_log.h"
#include "session/library_copies.h"
#include "devices/model.h"
#include "picture/page_model.h"
#include "session/panel_session.h"
#include "quon_export.h"
#include "scenario/format.h"
#include "session/studio.h"

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quon::host {

// What a step that acts on the panel is refused with while none runs;
// `because`: why none does, when known.
std::string panel_not_running(const std::string& because = "");

// The panel starts by itself before the first step that is not "devices"
// (a scenario declares its devices before the panel sees them), unless the
// scenario starts it itself; at the latest once its steps are played.
class start_rule {
public:
    explicit start_rule(bool explicitStart = true) : pending_(!explicitStart) {}
    // Whether the panel starts before `action`: true once.
    bool before(const step_action& action);
    // Whether it starts now that the steps are played: true once, if no step started it.
    bool at_end();
    bool pending() const { return pending_; }

private:
    bool pending_;
};

struct run_options {
    std::string basePath;     // the factory's second argument
    std::string outDir = "."; // where snapshot files go
    std::string svgFile;      // a picture of the page after the last step, if set
    // The run's inputs (scenario, library, devices file): no output replaces them.
    std::vector<std::string> inputs;
    // Malformed commands, other faults of the script and replies it never
    // handed back fail the run too, not only failed expectations.
    bool strict = false;
    // The devices the run plays (read_devices_file); none when empty.
    device_set devices;
    // The devices files the scenario's "devices" steps name, read before the run.
    std::map<std::string, device_set> stepDevices;
    // The name of the script of a run of one library ("script NAME").
    std::string scriptName;
    // One script of a studio that serve runs in processes of its own: its
    // reports go round as a studio's, counted on from the count carried in.
    bool studioMember = false;
    // The scripts' library files, in order: a "restart" loads one afresh
    // (a script past the end has none known, and cannot be restarted).
    std::vector<std::string> libraries;
};

class scenario_runner {
public:
    // One script, named options.scriptName, created with options.basePath.
    scenario_runner(quon_load_script_fn factory, const run_options& options, std::ostream& out);
    // Several scripts on the devices, in this order; the steps go to the first
    // until a "script" step names another.
    scenario_runner(std::vector<script_entry> scripts, run_options options, std::ostream& out);

    // Plays every step. exitAllHeld when all expectations held (and, when
    // strict, the script made no fault), exitExpectationFailed otherwise;
    // exitEmulatorFault when this program failed itself (a file it could
    // not write), whatever the script did.
    int run(const scenario& s);

    // The pieces of run, for a live host that takes steps one at a time.
    // begin: the panel will start before the first step that is not
    // "devices", unless the scenario starts it itself; play: one step as run
    // plays it, numbered on; end_of_steps: start the panel now if no step
    // started it (`when` says at which point, for the log); finish: stop the
    // panel, print the summary and give the run's exit status.
    void begin(bool explicitStart);
    bool play(const scenario_step& step);
    // The same for one step of a scenario whose other steps are played
    // elsewhere (by other scripts' processes), numbered as the scenario numbers it.
    bool play_at(const scenario_step& step, int number) {
        stepNumber_ = number - 1;
        return play(step);
    }
    void end_of_steps(const char* when);
    int finish();
    // A device changed by another script of a live studio (serve): reported
    // to the scripts here that are registered for it, as a step from `origin`.
    bool play_change(const device_setting& c, const std::string& origin);
    // studioMember: the action this process's part continues, and how far it is now.
    void carry_bound(change_bound::count c) { studio_.carry(std::move(c)); }
    const change_bound::count& bound_count() const { return studio_.bound_count(); }
    // Each change made on the devices, as it is made (devices/model.h).
    void watch_changes(device_model::change_watch watch) { devices_.watch(std::move(watch)); }

    // Whether a step acts on the panel, so that it fails while none runs.
    static bool needs_panel(const step_action& action);
    // Why `action` cannot be carried out now, found without playing it: a
    // step on the panel while none runs, a route, gpi or info step on a
    // device that is not declared or to a state the device does not take;
    // empty when it can. A step refused here fails as it is played.
    std::string refusal(const step_action& action) const;
    // The panel will start by itself before the next step that is not "devices".
    bool start_pending() const { return start_.pending(); }

    // Commands the panel the steps go to sent since the last step that was not a check.
    const std::vector<std::string>& commands() { return session().host().commands(); }
    // The answer to the last property message (null: none), if one was sent.
    bool answered() const { return answered_; }
    const std::optional<std::string>& last_answer() const { return lastAnswer_; }
    bool running() const { return studio_.current().session.running(); }
    conversation_log& log() { return log_; }
    // Replies the scripts have not handed back yet.
    int outstanding() { return studio_.outstanding(); }

    const page_model& page() const { return studio_.current().page; }
    // The host's timers in virtual time ("wait" moves them on).
    const timer_clock& timers() { return session().host().timers(); }
    const device_model& devices() const { return devices_; }

private:
    panel_session& session() { return studio_.current().session; }
    // The scripts a start or stop step names: every one, or the one named.
    std::vector<std::size_t> targets(const std::string& name) const;
    // Starts the scripts as run does before the first step; their commands are not the next step's.
    bool start_before_first_step(const char* when);
    bool play(const scenario_step& step, int number);
    // Applies one step; false when it failed (counted as a failed expectation).
    bool apply(const scenario_step& step);
    bool apply(const start_step&);
    bool apply(const stop_step&);
    bool apply(const abandon_step&);
    bool apply(const restart_step& s);
    bool apply(const reloaded_step&);
    bool apply(const route_step& s);
    bool apply(const gpi_step& s);
    bool apply(const umd_step& s);
    bool apply(const tally_step& s);
    bool apply(const info_step& s);
    bool apply(const source_step& s);
    bool apply(const property_step& s);
    bool apply(const button_step& s);
    bool apply(const timer_step& s);
    bool apply(const say_step& s);
    bool apply(const expect_commands_step& s);
    bool apply(const expect_property_step& s);
    bool apply(const expect_answer_step& s);
    bool apply(const expect_debug_step& s);
    bool apply(const snapshot_step& s);
    bool apply(const devices_step& s);
    bool apply(const wait_step& s);
    bool apply(const script_step& s);
    // A route, gpi or info step as the change of the first device of its type; none for other steps.
    std::optional<device_setting> first_device_setting(const step_action& action, std::string& why) const;
    // A change in a devices file's words (device_change) or typed as a step gives it (device_setting).
    template <typename change_type>
    bool change(const change_type& c);
    bool alias(const char* name, std::int32_t index, const std::string& value);
    // A device change made: its reports go to the scripts registered for it.
    bool report(bool inRange, std::vector<addressed_report> reports);
    // Writes the page's picture; a failure is the emulator's own.
    void write_picture(const std::string& path);

    run_options options_;
    conversation_log log_;
    device_model devices_;
    library_copies copies_; // before studio_: unloaded once its panels are destroyed
    studio studio_;
    start_rule start_;
    int stepNumber_ = 0;
    bool answered_ = false;
    int stepErrors_ = 0; // steps that could not be carried out
    std::optional<std::string> lastAnswer_;
    std::string where_; // the running step's "file:line"
    int emulatorFaults_ = 0;
};

// Before the run: reads the devices file `devicesFile` (none when empty) into
// options.devices and those the scenario's "devices" steps name into
// options.stepDevices, and counts them among the run's inputs.
load_result load_run_devices(const scenario& s, const std::string& devicesFile, run_options& options,
                             std::string& error);
// Before the run: false with the step's "file:line" and why when an output
// of the run (a snapshot, the picture) would replace one of its inputs.
bool check_run_outputs(const scenario& s, const run_options& options, std::string& error);
// The input of the run that writing `path` would replace, or null.
const std::string* replaced_input(const run_options& options, const std::string& path);
// Where a snapshot named `file` in the scenario is written.
std::string snapshot_path(const run_options& options, const std::string& file);

// Whether `got` matches `expected`, where an expected line "..." stands for any
// run of commands, the empty one included.
bool commands_match(const std::vector<std::string>& expected, const std::vector<std::string>& got);

} // namespace quon::host

#endif
