// live_panel: the panel as "serve" plays it, in the panel's own process
// (commands/serve_panel.cpp). Every action from a page is a scenario step:
// parsed by the scenario parser, checked against what the host holds (the
// panel runs, the control is on the page, the index is on the device) and
// played by the same runner as "run"; the result says what to record, and
// the state what the pages show.
#ifndef HOST_PANEL_PROCESS_LIVE_PANEL_H
#define HOST_PANEL_PROCESS_LIVE_PANEL_H

#include "scenario/format.h"
#include "scenario/runner.h"
#include "protocol/messages.h"
#include "devices/file.h"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace quon::host {

class live_panel {
public:
    // The conversation goes to `out`.
    live_panel(quon_load_script_fn factory, run_options options, std::ostream& out);

    using played_fn = std::function<void(const live_result&)>;
    // Starts the panel (unless the scenario starts it itself) and plays the
    // scenario's steps, each result to `played`.
    void begin(const scenario& first, const played_fn& played);
    // The same a step at a time (serve --paused): open takes the scenario
    // (kept by the caller) and plays none of it; play_to plays its steps up
    // to number `last` (those not played yet) and, once its last is played,
    // starts the panel if no step did.
    void open(const scenario& first);
    void play_to(std::size_t last, const played_fn& played);
    // One script of several (serve's studio): plays step `number` alone, the
    // others being other scripts'; 0 starts the panel if no step did.
    void play_one(std::size_t number, const played_fn& played);
    // A page's action or a timer tick (`origin`), one step in its canonical
    // text: refused when the host would not carry it out now.
    live_result apply(const std::string& origin, const std::string& step);
    // Devices changed by another script of a studio, from `origin`, each
    // reported as it comes.
    live_result take_changes(const std::string& origin, const std::vector<device_setting>& changes);
    // One script of a studio (options.studioMember): the changes its script
    // and its steps made since the last call, typed, in order (not those
    // another script made, which it was told); at most
    // change_bound::maxChangesPerAction of them, as the bound passes with
    // the next anyway: more are a problem, the bound reached.
    std::vector<device_setting> take_made();
    // The count of the action the next message continues, and how far it is.
    void carry(change_bound::count c) { runner_.carry_bound(std::move(c)); }
    const change_bound::count& bound_count() const { return runner_.bound_count(); }
    bool studio_member() const { return member_; }
    // One step as written ("start", "stop"), played as a page's would be.
    live_result play(const std::string& step);
    // Destroys the panel through slot 0, prints the summary and gives run's
    // exit status for what was played.
    int finish();
    // An expectation of what was played failed.
    bool expectations_failed() { return runner_.log().failed() > 0; }
    // What the pages show: the page and the layout it is drawn with, the
    // counts as the summary prints them, the devices (devices_json), and
    // whether the panel runs.
    const page_model& page() const { return runner_.page(); }
    const std::shared_ptr<const page_layout>& layout() const { return runner_.devices().declared().layout; }
    std::string summary();
    std::string devices_json() const;
    bool running() const { return runner_.running(); }
    // Moves on whenever device_states(), source_names() or devices_json() may have.
    std::uint64_t devices_revision() const { return runner_.devices().revision(); }
    std::uint64_t names_revision() const { return runner_.devices().names_revision(); }
    // The host's timers on its virtual clock.
    const timer_clock& timers() { return runner_.timers(); }
    // Every index of every device declared whose state was set after
    // devices revision `since` (all of them for 0), with its state text.
    std::vector<device_change> device_states(std::uint64_t since = 0) const;
    // The names the first router's picture selector gives its sources now
    // ("source" steps change them): index is the source, value its name.
    std::vector<device_change> source_names() const;

private:
    // `number`: as the scenario numbers it, when its other steps are played elsewhere.
    live_result play(const scenario_step& step, int number = 0);
    // The result of the panel's own start, when the runner started it since
    // its start was `wasPending`.
    void show_start(bool wasPending, const played_fn& played);
    // Why the host will not carry the step out now (the runner's refusal, or
    // a control the page does not have); empty when it will.
    std::string refusal(const step_action& action) const;

    // A change made here: kept in made_ unless it is the one being told.
    void made(const device_setting& c);

    scenario_runner runner_;
    bool member_;
    std::vector<device_setting> made_;
    bool telling_ = false; // the next change made is another script's, being told
    const scenario* plan_ = nullptr;
    std::size_t played_ = 0; // of its steps
};

} // namespace quon::host

#endif
