// scenario_runner: plays a scenario against a panel: starts it through its
// factory, applies each step to the devices or the panel, checks the
// expectations, writes the snapshots, stops the panel and prints the summary.
#ifndef HOST_SCENARIO_RUNNER_H
#define HOST_SCENARIO_RUNNER_H

#include "conversation_log.h"
#include "device_model.h"
#include "page_model.h"
#include "panel_session.h"
#include "quon_export.h"
#include "scenario.h"

#include <optional>
#include <ostream>
#include <string>

struct run_options {
    std::string basePath = "kivren"; // the factory's second argument
    std::string outDir;              // where relative snapshot files go; empty: as given
    std::string svgFile;             // a picture of the page after the last step, if set
    // Malformed commands, other faults of the script and replies it never
    // handed back fail the run too, not only failed expectations.
    bool strict = false;
    // The devices the run plays (read_devices_file); none when empty.
    device_set devices;
};

class scenario_runner {
public:
    scenario_runner(quon_load_script_fn factory, run_options options, std::ostream& out);

    // Plays every step; 0 when all expectations held (and, when strict, the
    // script made no fault), 1 otherwise.
    int run(const scenario& s);

    // The pieces of run, for a live host that takes steps one at a time:
    // start the panel as run does before the first step (its commands are
    // not step 1's), play one step as run does, and end the run.
    bool start_before_first_step();
    bool play(const scenario_step& step, int number);
    int finish();

    // Commands the panel sent since the last step that was not a check.
    const std::vector<std::string>& commands() { return session_.host().commands(); }
    // The answer to the last property message (null: none), if one was sent.
    bool answered() const { return answered_; }
    const std::optional<std::string>& last_answer() const { return lastAnswer_; }
    bool running() const { return session_.running(); }
    conversation_log& log() { return log_; }
    // Replies the panel has not handed back yet.
    int outstanding() { return session_.host().outstanding(); }

    const page_model& page() const { return page_; }
    const device_model& devices() const { return devices_; }

private:
    bool start();
    // Applies one step; false when it failed (counted as a failed expectation).
    bool apply(const scenario_step& step);
    bool device_change(const scenario_step& step);
    void expect_commands(const scenario_step& step);
    void expect_property(const scenario_step& step);
    void expect_answer(const scenario_step& step);
    bool snapshot(const std::string& file);
    std::string resolve(const std::string& file) const;

    quon_load_script_fn factory_;
    run_options options_;
    conversation_log log_;
    device_model devices_;
    page_model page_;
    panel_session session_;
    bool answered_ = false;
    int stepErrors_ = 0; // steps that could not be carried out
    std::optional<std::string> lastAnswer_;
};

// Whether `got` matches `expected`, where an expected line "..." stands for any
// run of commands, the empty one included.
bool commands_match(const std::vector<std::string>& expected, const std::vector<std::string>& got);

#endif
