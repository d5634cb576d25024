// serve_live: the panel as "serve" plays it, on the host's one thread. Every
// action from a page is a scenario step: parsed by the scenario parser,
// checked against what the host holds (the panel runs, the control is on the
// page, the index is on the device), played by the same runner as "run",
// recorded, and then the conversation and the new state go to the pages.
#ifndef HOST_SERVE_LIVE_H
#define HOST_SERVE_LIVE_H

#include "scenario.h"
#include "scenario_runner.h"
#include "serve_feed.h"
#include "serve_queue.h"
#include "serve_recording.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

class live_panel {
public:
    // Conversation lines go to `out` and to the feed.
    live_panel(quon_load_script_fn factory, run_options options, std::ostream& out, live_feed& feed,
               scenario_recording* recording);
    ~live_panel();

    // Starts the panel (unless the scenario starts it itself) and plays the
    // scenario's steps, recording those that change something.
    void begin(const scenario& first);
    live_result apply(const live_action& action);
    // Destroys the panel through slot 0 and prints the summary.
    void finish();
    // Sends the new conversation lines and the state to the pages.
    void publish();

private:
    live_result play(const scenario_step& step);
    // Why the host will not carry the step out now; empty when it will.
    std::string refusal(const step_action& action) const;
    std::string devices_json();

    class tap;
    std::unique_ptr<tap> tap_;
    std::ostream tapped_;
    scenario_runner runner_;
    live_feed& feed_;
    scenario_recording* recording_;
};

// A text as a JSON string literal.
std::string json_string(const std::string& text);

#endif
