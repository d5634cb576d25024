#include "supervisor/panel_supervisor.h"

#include "base/json_text.h"
#include "protocol/messages.h"
#include "base/utf8_text.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace quon::host {

namespace {

using steady = std::chrono::steady_clock;
constexpr auto loadTime = std::chrono::seconds(120);      // a process to start and load its library (wine is slow)
constexpr auto beyondTimeout = std::chrono::seconds(5);   // the process's own watchdog ends a hang before this
constexpr auto restartPatience = std::chrono::seconds(1); // a running step a restart waits for

bool is_panel_fault(int status) { return status == exitPanelCrashed || status == exitPanelHung; }

} // namespace

panel_supervisor::panel_supervisor(supervisor_setup setup, live_feed& feed, action_queue& queue, std::ostream& out)
    : setup_(std::move(setup)), feed_(feed), queue_(queue), out_(out) {
    if (setup_.request.options.basePath.empty())
        setup_.request.options.basePath = std::filesystem::path(setup_.request.library).stem().string();
    if (setup_.watch) watch_ = std::make_unique<library_watch>(setup_.request.library);
}

panel_supervisor::~panel_supervisor() { child_.reset(); }

// What the process wrote on its standard error is shown as it comes and kept
// (its crash message names the fault).
void panel_supervisor::take_errors() {
    const std::string text = child_->errors();
    if (text.empty()) return;
    say(text);
    errors_ = (errors_ + text).substr(errors_.size() + text.size() > 4096 ? errors_.size() + text.size() - 4096 : 0);
}

void panel_supervisor::say(const std::string& text) {
    out_ << text << std::flush;
    feed_.append(text);
}

std::string panel_supervisor::status_json() const {
    const std::string state = child_ ? (panelRunning_ ? "running" : "stopped") : fault_.empty() ? "stopped" : "down";
    return "{\"state\":\"" + state + "\",\"pid\":" + (child_ ? std::to_string(child_->pid()) : "null") +
           ",\"fault\":" + json_string(fault_) + ",\"step\":" + json_string(faultStep_) +
           ",\"note\":" + json_string(note_) + ",\"library\":" + json_string(setup_.request.library) + "}";
}

void panel_supervisor::publish() {
    feed_state s = state_;
    s.status = status_json();
    s.timers = child_ ? timers_json(ticks_.timers()) : "[]";
    feed_.set_state(std::move(s));
}

void panel_supervisor::record(const live_result& r) {
    if (!recording_ || !r.recorded) return;
    if (r.unchecked) recording_->add_unchecked(r.step);
    else if (r.property) recording_->add_property(r.step, r.commands, r.answer);
    else recording_->add(r.step, r.commands);
}

// run gives one status: a crash or hang ends it, so the first of them stays.
void panel_supervisor::note_status(int status) {
    if (status == exitAllHeld || is_panel_fault(runStatus_)) return;
    runStatus_ = is_panel_fault(status) ? status : std::max(runStatus_, status);
}

bool panel_supervisor::launch(const std::string& library, bool first) {
    const run_request& r = setup_.request;
    std::vector<std::string> args = {
        setup_.program, "serve-panel", library, "--base", r.options.basePath, "--timeout", std::to_string(r.timeout)};
    if (!r.devicesFile.empty()) args.insert(args.end(), {"--devices", r.devicesFile});
    if (first && !r.scenarioFile.empty()) args.insert(args.end(), {"--scenario", r.scenarioFile});
    if (first && !setup_.recordFile.empty()) args.insert(args.end(), {"--record", setup_.recordFile});
    child_ = std::make_unique<child_process>();
    buffer_.clear();
    errors_.clear();
    unloadable_ = false;
    std::string error;
    if (!child_->start(args, error)) {
        child_.reset();
        (trial_ ? trialFault_ : fault_) = error;
        return false;
    }
    return talk("", "ready", nullptr);
}

bool panel_supervisor::start_process(bool first, std::string& error, int& status) {
    std::string library = setup_.request.library;
    status = exitEmulatorFault;
    if (setup_.watch) { // the process loads a copy: the build may replace the file while it runs
        copy_ = std::make_unique<private_copy>();
        if (copy_->make(library, error)) library = copy_->path();
        else say("\n[" + error + "]\n");
        watch_->taken(copy_->identity().exists ? copy_->identity() : identity_of(library));
    }
    ticks_.reset(steady::now());
    if (!launch(library, first)) {
        error = fault_;
        status = lastExit_;
        return false;
    }
    say("\n[panel process " + std::to_string(child_->pid()) + "] " + setup_.request.library + " loaded\n");
    return true;
}

int panel_supervisor::load(std::string& error) {
    int status = exitAllHeld;
    if (start_process(true, error, status)) return exitAllHeld;
    return status > 0 && status < 256 ? status : exitEmulatorFault;
}

void panel_supervisor::begin(scenario_recording* recording) {
    recording_ = recording;
    begun_ = child_ != nullptr;
    counted_ = true; // what the scenario does counts as run counts it
    if (child_ && talk(frame("begin", "scenario"), "begun", nullptr)) panelRunning_ = true;
    counted_ = false;
    publish();
}

// Reads frames until `until`: conversation text goes to the terminal and the
// pages, states are kept and published, results before the last (a
// scenario's steps) are recorded. False when the process was lost meanwhile.
bool panel_supervisor::talk(const std::string& message, const char* until, live_result* result) {
    if (!message.empty() && !child_->send(message)) {
        lost("the panel's process no longer reads");
        return false;
    }
    const auto started = steady::now();
    steady::time_point interruptedAt{};
    std::string why;
    for (;;) {
        take_errors();
        const int taken = take_frames(until, result, why);
        if (taken != 0) return taken > 0;
        if (given_up(until, started, interruptedAt)) return false;
        const auto wait = steady::now() + std::chrono::milliseconds(100);
        if (child_->receive(buffer_, wait) == child_process::wait_result::ended) { // complete frames are taken
            lost(buffer_.empty() ? "the panel's process ended" : "the panel's process ended halfway through a frame");
            return false;
        }
    }
}

int panel_supervisor::take_frames(const char* until, live_result* result, std::string& why) {
    std::string_view name, bytes; // views into buffer_, which is cut only after the frames are taken
    frame_status s;
    std::size_t at = 0;
    bool answered = false;
    std::string logged; // the log frames that came together, shown at once
    const auto show_logged = [&] {
        if (!logged.empty()) say(logged);
        logged.clear();
    };
    while (!answered && (s = read_frame(buffer_, at, name, bytes, why)) == frame_status::frame) {
        live_result r;
        state_update update;
        if (name == "log") {
            logged += bytes;
            continue;
        }
        show_logged();
        if (name == "state") {
            if (!read_state(bytes, update) || !take_state(update)) {
                why = "a state message that is not frames of a state, or changes a control group the "
                      "picture does not have";
                s = frame_status::garbage;
                break;
            }
            publish();
        } else if (name == "result" && read_result(bytes, r)) {
            if (name != until) record(r);
            else if (result) *result = r;
        } else if (name == "failed" || name == "unloadable") {
            unloadable_ = name == "unloadable";
            lost(std::string(bytes));
            return -1;
        } else if (name != until && name != "ready" && name != "begun" && name != "bye") {
            why = "frame \"" + printable(std::string(name)) + "\" out of place";
            s = frame_status::garbage;
            break;
        } else if ((name == "begun" || name == "bye") && !bytes.empty()) { // run's status for what it played
            note_status(std::atoi(std::string(bytes).c_str()));
        }
        answered = name == until;
    }
    show_logged();
    buffer_.erase(0, at);
    if (answered) return 1;
    if (s != frame_status::garbage) return 0;
    child_->kill();
    lost("the panel's process wrote what is not the protocol (" + why + ")");
    return -1;
}

// Whether the step is given up: no answer in time, an interrupt not answered
// within the grace, or a restart asked for (or a build landed, --watch)
// while a step runs on.
bool panel_supervisor::given_up(const char* until, steady::time_point started, steady::time_point& interruptedAt) {
    const std::int64_t timeout = setup_.request.timeout;
    const bool loading = std::string(until) == "ready";
    const auto deadline = loading       ? started + loadTime
                          : timeout > 0 ? started + std::chrono::seconds(timeout) + beyondTimeout
                                        : steady::time_point::max();
    const auto now = steady::now();
    if (setup_.interrupted && *setup_.interrupted && interruptedAt == steady::time_point{}) interruptedAt = now;
    const bool replaced = watch_ && !loading && watch_->ready(now);
    const bool interrupted = interruptedAt != steady::time_point{} && now - interruptedAt > stopGrace;
    const bool givenUp = interrupted || ((queue_.restartWaiting || replaced) && now - started > restartPatience);
    if (now < deadline && !givenUp) return false;
    abandoned_ = abandoned_ || interruptedAt != steady::time_point{};
    child_->kill();
    lost(!givenUp   ? "the panel's process did not answer in time"
         : replaced ? "given up for the rebuilt library: the panel had not returned"
                    : "given up: the panel had not returned");
    return true;
}

// Keeps what a state message changed; false when it does not fit what the
// process told before (a control group the picture does not have).
bool panel_supervisor::take_state(state_update& u) {
    if (u.picture) feed_.set_picture(std::move(*u.picture));
    if (!feed_.change_controls(u.controls)) return false;
    if (u.summary) state_.summary = std::move(*u.summary);
    if (u.devices) state_.devices = std::move(*u.devices);
    if (u.status) state_.status = std::move(*u.status);
    const auto keep = [](std::vector<device_change>& held, const std::vector<device_change>& news) {
        for (const device_change& c : news) {
            auto at = std::find_if(held.begin(), held.end(),
                                   [&](const device_change& h) { return h.device == c.device && h.index == c.index; });
            if (at == held.end()) held.push_back(c);
            else at->value = c.value;
        }
    };
    keep(devices_, u.deviceStates);
    keep(names_, u.names);
    ticks_.report(u.timers, steady::now());
    panelRunning_ = replayPanel_ = state_.status == "running";
    return true;
}

// The process is gone or is ended now: the pages are told why, in the words
// of its step guard when it said them, and the recording marks the place. A
// rebuilt library on trial is only not ready.
void panel_supervisor::lost(const std::string& why) {
    if (!child_->wait(steady::now() + std::chrono::seconds(2))) child_->kill();
    take_errors();
    const std::string& errors = errors_;
    std::string guard, fault;
    for (std::size_t at = 0; (at = errors.find("panel_host: ", at)) != std::string::npos; at += 12)
        guard = errors.substr(at + 12, errors.find_first_of("\r\n", at) - at - 12);
    const long pid = child_->pid();
    lastExit_ = child_->exit_status();
    fault = !guard.empty() ? guard : why + " (" + child_->ending() + ")";
    const std::size_t during = fault.find(" during ");
    const std::string step = during == std::string::npos ? "" : fault.substr(during + 8);
    if (!guard.empty() && guard.rfind("the panel", 0) != 0) fault = why + ": " + guard; // a load failure
    child_.reset();
    if (trial_) {
        trialFault_ = fault;
        return;
    }
    fault_ = fault;
    faultStep_ = step;
    if (counted_)
        note_status(is_panel_fault(lastExit_) ? lastExit_
                    : why.find("in time") != std::string::npos || why.find("given up") != std::string::npos
                        ? exitPanelHung
                        : exitPanelCrashed);
    panelRunning_ = false;
    say("\n[panel process " + std::to_string(pid) + " ended] " + fault_ + "\n");
    if (recording_) recording_->comment(fault_ + "; what follows replays without that step");
    publish();
}

live_result panel_supervisor::apply(const live_action& action) {
    live_result r;
    if (action.request.ok && action.request.step == "restart") {
        restart("restarted from the page");
        r.ok = child_ != nullptr;
        r.step = "restart";
        r.error = r.ok ? "" : fault_;
        return r;
    }
    if (!action.request.ok || !child_) {
        r.error = action.request.ok ? "the panel is not running (" + fault_ + "); restart it" : action.request.error;
        say("\n[refused " + action.origin + "] " + printable(r.error) + "\n");
        return r;
    }
    if (talk(act_message(action.origin, action.request.step), "result", &r)) {
        record(r);
        return r;
    }
    r = live_result{};
    r.step = action.request.step;
    r.error = fault_;
    r.fault = true;
    return r;
}

steady::time_point panel_supervisor::next_tick() const {
    return child_ && panelRunning_ ? ticks_.next() : steady::time_point::max();
}

void panel_supervisor::tick() {
    if (!child_ || !panelRunning_) return;
    const std::optional<std::string> step = ticks_.due(steady::now());
    if (!step) return;
    live_action action;
    action.origin = "timer tick";
    action.request = {true, *step, ""};
    apply(action);
}

// The panel's end counts as run's end does: a crash or hang there is its status.
int panel_supervisor::finish() {
    counted_ = true;
    if (child_ && talk(frame("finish", ""), "bye", nullptr) && !child_->wait(steady::now() + stopGrace)) child_->kill();
    counted_ = false;
    child_.reset();
    if (abandoned_) note_status(exitPanelHung);
    return runStatus_;
}

} // namespace quon::host
