#include "supervisor/panel_supervisor.h"

#include "base/utf8_text.h"

#include <algorithm>
#include <filesystem>

namespace quon::host {

namespace {

constexpr auto restartPatience = std::chrono::seconds(1); // a running step a restart waits for

} // namespace

panel_supervisor::panel_supervisor(supervisor_setup setup, live_feed& feed, action_queue& queue, std::ostream& out,
                                   link_maker makeLink)
    : setup_(std::move(setup)), makeLink_(std::move(makeLink)), feed_(feed), queue_(queue), out_(out), reported_(feed, setup_.script.index) {
    if (setup_.request.options.basePath.empty())
        setup_.request.options.basePath = std::filesystem::path(setup_.request.library).stem().string();
    if (setup_.watch) watch_ = std::make_unique<library_watch>(setup_.request.library);
    if (setup_.paused) paused_ = paused_scenario{*setup_.paused};
    if (!makeLink_)
        makeLink_ = [](std::int64_t timeout) { return std::make_unique<process_link>(timeout); };
}

panel_supervisor::~panel_supervisor() { link_.reset(); }

void panel_supervisor::say(const std::string& text) {
    const std::string shown = setup_.script.studio() ? tagged(text) : text;
    out_ << shown << std::flush;
    feed_.append(shown);
}

std::string panel_supervisor::tagged(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (lineStart_ && c != '\n') out += "[" + setup_.script.name + "] ";
        out += c;
        lineStart_ = c == '\n';
    }
    return out;
}

bool panel_supervisor::take_state(state_update& update) {
    for (const device_change& c : update.deviceStates) // before they are held: new only if they differ
        if (!reported_.devices().holds(c)) fresh_.keep(c);
    if (!reported_.take(update, steady::now())) return false;
    panelRunning_ = replayPanel_ = reported_.running();
    publish();
    return true;
}

// The listener of one exchange: its context is explicit, the rest the supervisor's.
class panel_supervisor::exchange_listener : public panel_link::listener {
public:
    exchange_listener(panel_supervisor& supervisor, const exchange_context& context)
        : supervisor_(supervisor), context_(context) {}
    void say(const std::string& text) override { supervisor_.say(text); }
    bool take_state(state_update& update) override { return supervisor_.take_state(update); }
    void earlier_result(const live_result& result) override {
        if (context_.recorded) supervisor_.record(result);
    }
    void run_status(int status) override { supervisor_.note_status(status); }
    std::string give_up(steady::time_point started, bool loading) override {
        return supervisor_.give_up(started, loading);
    }

private:
    panel_supervisor& supervisor_;
    const exchange_context& context_;
};

bool panel_supervisor::play_step(std::size_t number, bool recorded) {
    if (!link_) return false;
    // What the scenario does counts as run counts it.
    talk(frame("play", std::to_string(number)), "begun", nullptr, {true, recorded, ""});
    publish();
    return link_ != nullptr;
}

// A studio's replay starts every script before its first step, as the first
// script's plain "start" says; later a start or stop is this script's only,
// as is the start of one whose library loaded only later (--watch).
void panel_supervisor::record(live_result r) {
    if (!recording_ || !r.recorded) return;
    if (setup_.script.studio()) {
        const bool startUp = r.unchecked && r.step == "start" && !lateStart_;
        if (startUp && setup_.script.index > 0) return;
        if (!startUp && (r.step == "start" || r.step == "stop")) r.step += " " + setup_.script.name;
        recording_->speak_for(setup_.script.name);
    }
    recording_->add_result(r);
}

std::vector<device_change> panel_supervisor::take_fresh() {
    std::vector<device_change> fresh = fresh_.list();
    fresh_.clear();
    return fresh;
}

std::vector<device_change> panel_supervisor::forward(const std::vector<device_change>& changes,
                                                     const std::string& from, bool counts) {
    // Held before they are told: the process reports them back as states it
    // holds, and those are no change of this script's to pass on.
    reported_.keep_devices(changes);
    fresh_.clear();
    live_result r;
    if (link_ && !changes.empty())
        talk(change_message("changed by " + from, changes), "result", &r, {counts, true, from});
    return take_fresh();
}

void panel_supervisor::publish() {
    panel_status s;
    s.state = link_ ? (panelRunning_ ? "running" : "stopped") : fault_.empty() ? "stopped" : "down";
    s.pid = link_ ? link_->pid() : 0;
    s.fault = fault_;
    s.step = faultStep_;
    s.note = note_;
    s.library = setup_.request.library;
    if (setup_.script.studio()) s.script = setup_.script.name;
    if (paused_) s.paused = std::make_pair(paused_->shown, paused_->count);
    reported_.publish(s);
}

// run gives one status: a crash or hang ends it, so the first of them stays.
void panel_supervisor::note_status(int status) { runStatus_ = combined_status(runStatus_, status); }

// Whether a step is given up: an interrupt not answered within the grace, or
// a restart asked for (or a build landed, --watch) while a step runs on.
std::string panel_supervisor::give_up(steady::time_point started, bool loading) {
    const auto now = steady::now();
    if (setup_.interrupted && *setup_.interrupted && interruptedAt_ < started) interruptedAt_ = now;
    const bool interrupted = interruptedAt_ >= started;
    const bool replaced = watch_ && !loading && watch_->ready(now);
    if (interrupted && now - interruptedAt_ > stopGrace) {
        abandoned_ = true;
        return "given up: the panel had not returned";
    }
    if (now - started <= restartPatience) return "";
    if (replaced) return "given up for the rebuilt library: the panel had not returned";
    // Only for a restart that will be carried out: paused before the last
    // step, it is refused, and a refused action changes nothing.
    const bool restartRefused = !paused_refusal(paused_ ? &*paused_ : nullptr).empty();
    if (!restartRefused && queue_.pending_restart(setup_.script.name, setup_.script.index == 0))
        return "given up: the panel had not returned";
    return "";
}

bool panel_supervisor::launch(const std::string& library, bool first, bool trial, std::string& why) {
    const run_request& r = setup_.request;
    // A studio's process names its script as serve does: its "start NAME" and "stop NAME" are the recording's.
    const std::string named = setup_.script.studio() ? setup_.script.name + "=" + library : library;
    std::vector<std::string> args = {
        setup_.program, "serve-panel", named, "--base", r.options.basePath, "--timeout", std::to_string(r.timeout)};
    if (setup_.script.studio()) args.push_back("--one-of-several");
    if (!r.devicesFile.empty()) args.insert(args.end(), {"--devices", r.devicesFile});
    if (first && !r.scenarioFile.empty()) args.insert(args.end(), {"--scenario", r.scenarioFile});
    if (first && !setup_.recordFile.empty()) args.insert(args.end(), {"--record", setup_.recordFile});
    link_ = makeLink_(r.timeout);
    unloadable_ = false;
    if (!link_->start(args, why)) {
        link_.reset();
        if (!trial) fault_ = why;
        return false;
    }
    exchange_listener told(*this, {});
    if (link_->exchange("", "ready", nullptr, told)) return true;
    if (!trial) {
        lost({});
        why = fault_;
        return false;
    }
    why = link_->loss().fault; // a rebuilt library that does not load is only not ready
    lastExit_ = link_->loss().exitStatus;
    unloadable_ = link_->loss().how == panel_end::unloadable;
    link_.reset();
    return false;
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
    reported_.ticks().reset(steady::now());
    if (!launch(library, first, false, error)) {
        status = lastExit_;
        return false;
    }
    say("\n[panel process " + std::to_string(link_->pid()) + "] " + setup_.request.library + " loaded\n");
    return true;
}

int panel_supervisor::load(std::string& error) {
    int status = exitAllHeld;
    if (start_process(true, error, status)) return exitAllHeld;
    return status > 0 && status < 256 ? status : exitEmulatorFault;
}

void panel_supervisor::begin(scenario_recording* recording) {
    recording_ = recording;
    begun_ = link_ != nullptr;
    const bool stepped = paused_ || setup_.stepped;
    // What the scenario does counts as run counts it.
    if (link_ && talk(frame("begin", stepped ? "paused" : "scenario"), "begun", nullptr, {true, true, ""}) && !stepped)
        panelRunning_ = true;
    publish();
}

bool panel_supervisor::talk(const std::string& message, const char* until, live_result* result,
                            const exchange_context& context) {
    exchange_listener told(*this, context);
    const bool answered = link_->exchange(message, until, result, told);
    if (!lineStart_) say("\n"); // a studio's scripts take turns in the conversation by whole lines
    if (answered) return true;
    lost(context);
    return false;
}

// The pages are told why, and the recording marks the place.
void panel_supervisor::lost(const exchange_context& context) {
    const link_loss loss = link_->loss();
    const long pid = link_->pid();
    link_.reset();
    lastExit_ = loss.exitStatus;
    unloadable_ = loss.how == panel_end::unloadable;
    fault_ = loss.fault;
    faultStep_ = loss.step;
    note_.clear(); // a reload or restart noted before no longer holds
    if (context.counts) note_status(loss_status(loss));
    panelRunning_ = false;
    say("\n[panel process " + std::to_string(pid) + " ended] " + fault_ + "\n");
    // A step that ends a script's process is left out; a change another
    // script made stays, and a replay reports it to this script too.
    if (recording_ && context.toldBy.empty()) recording_->comment(fault_ + "; what follows replays without that step");
    else if (recording_)
        recording_->comment(setup_.script.name + ": " + fault_ + ", told of a change " + context.toldBy +
                            " made in the step above: a replay tells it too and ends there as well");
    publish();
}

live_result panel_supervisor::refuse(const live_action& action, const std::string& why) {
    say("\n[refused " + action.origin + "] " + printable(why) + "\n");
    live_result r;
    r.error = why;
    return r;
}

live_result panel_supervisor::apply(const live_action& action, bool recorded) {
    live_result r;
    if (action.request.ok && action.request.host == host_action::step) return step_to(action);
    if (const std::string why = paused_refusal(paused_ ? &*paused_ : nullptr); action.request.ok && !why.empty())
        return refuse(action, why);
    if (paused_ && action.request.ok) paused_->acted = true; // the page is no longer the last step's
    if (action.request.host == host_action::restart) {
        restart("restarted from the page");
        r.ok = link_ != nullptr;
        r.step = action.request.step;
        r.error = r.ok ? "" : fault_;
        return r;
    }
    if (!action.request.ok || !link_)
        return refuse(action, action.request.ok ? "the panel is not running (" + fault_ + "); restart it"
                                                : action.request.error);
    if (talk(act_message(action.origin, action.request.step), "result", &r)) {
        if (recorded) record(r);
        return r;
    }
    r = live_result{};
    r.step = action.request.step;
    r.error = fault_;
    r.fault = true;
    return r;
}

panel_supervisor::steady::time_point panel_supervisor::next_tick() const {
    const bool live = link_ && panelRunning_ && (!paused_ || paused_->at_end()); // ticks wait for the last step
    return live ? reported_.ticks().next() : steady::time_point::max();
}

std::optional<std::string> panel_supervisor::due_tick(steady::time_point now) {
    if (next_tick() == steady::time_point::max()) return std::nullopt;
    return reported_.ticks().due(now);
}

// The panel's end counts as run's end does: a crash or hang there is its status.
int panel_supervisor::finish() {
    if (link_ && talk(frame("finish", ""), "bye", nullptr, {true, true, ""})) link_->end(steady::now() + stopGrace);
    link_.reset();
    if (abandoned_) note_status(exitPanelHung);
    return runStatus_;
}

} // namespace quon::host
