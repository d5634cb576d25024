#include "supervisor/panel_supervisor.h"

#include "base/utf8_text.h"

#include <algorithm>
#include <filesystem>

namespace quon::host {

namespace {

constexpr auto restartPatience = std::chrono::seconds(1); // a running step a restart waits for

// The panel's base name defaults to the library's.
supervisor_setup with_base_path(supervisor_setup setup) {
    std::string& base = setup.request.options.basePath;
    if (base.empty()) base = std::filesystem::path(setup.request.library).stem().string();
    return setup;
}

} // namespace

panel_supervisor::panel_supervisor(supervisor_setup setup, live_feed& feed, action_queue& queue, std::ostream& out,
                                   link_maker makeLink)
    : setup_(with_base_path(std::move(setup))), queue_(queue), pages_(feed, out, setup_.script), record_(setup_.script),
      life_(static_cast<const process_inputs&>(setup_), std::move(makeLink)) {
    if (setup_.paused) paused_ = paused_scenario{*setup_.paused};
}

panel_supervisor::~panel_supervisor() { life_.drop(); }

bool panel_supervisor::take_state(state_update& update) {
    if (action_ && update.told) {
        if (update.told->reached && !action_->reached()) account_.note(exitExpectationFailed);
        action_->resume(*update.told);
    }
    if (!pages_.take_state(update, steady::now())) return false;
    panelRunning_ = pages_.reported().running();
    record_.replay_has_panel(panelRunning_);
    publish();
    return true;
}

// The listener of one exchange: its context is explicit, the rest the supervisor's.
class panel_supervisor::exchange_listener : public panel_link::listener {
public:
    exchange_listener(panel_supervisor& supervisor, exchange_context context)
        : supervisor_(supervisor), context_(std::move(context)) {}
    void say(const std::string& text) override { supervisor_.say(text); }
    bool take_state(state_update& update) override { return supervisor_.take_state(update); }
    void earlier_result(const live_result& result) override {
        if (context_.recorded) supervisor_.record_.add(result);
    }
    void run_status(int status) override { supervisor_.account_.note(status); }
    std::string give_up(steady::time_point started, bool loading) override {
        return supervisor_.give_up(started, loading);
    }

private:
    panel_supervisor& supervisor_;
    const exchange_context context_;
};

bool panel_supervisor::play_step(std::size_t number, bool recorded) {
    if (!life_.link()) return false;
    talk(frame("play", std::to_string(number)), "begun", nullptr, counted(recorded));
    publish();
    return life_.link() != nullptr;
}

std::vector<device_setting> panel_supervisor::forward(const std::vector<device_setting>& changes,
                                                      const panel_supervisor& from, bool counts) {
    pages_.drop_made();
    live_result r;
    const std::string name = from.script().name;
    if (life_.link() && begun_ && !changes.empty() && // before it begins, it begins with them
        talk(change_message("changed by " + name, changes), "result", &r, {counts, true, name})) {
        record_.told(r);
        return take_made();
    }
    // No process to tell: the next starts from the devices as `from` holds them.
    std::vector<device_change> held;
    for (const device_setting& c : changes)
        for (const device_change& h : from.devices().list())
            if (h.device == c.device && h.index == c.index) held.push_back(h);
    pages_.reported().keep_devices(held);
    return {};
}

void panel_supervisor::publish() {
    panel_status s;
    s.state = life_.link()                   ? (panelRunning_ ? "running" : "stopped")
              : pages_.story().fault.empty() ? "stopped"
                                             : "down";
    s.pid = life_.link() ? life_.link()->pid() : 0;
    s.library = setup_.request.library;
    if (paused_) s.paused = std::make_pair(paused_->shown, paused_->count);
    pages_.publish(s);
}

// Whether a step is given up: an interrupt not answered within the grace, or
// a restart asked for (or a build landed, --watch) while a step runs on.
std::string panel_supervisor::give_up(steady::time_point started, bool loading) {
    const auto now = steady::now();
    const bool replaced = !loading && life_.rebuilt(now);
    if (account_.abandon(started, now, setup_.interrupted && *setup_.interrupted, stopGrace))
        return "given up: the panel had not returned";
    if (now - started <= restartPatience) return "";
    if (replaced) return "given up for the rebuilt library: the panel had not returned";
    // Only for a restart that will be carried out: paused before the last
    // step, it is refused, and a refused action changes nothing.
    const bool restartRefused = !paused_refusal(paused_ ? &*paused_ : nullptr).empty();
    if (!restartRefused && queue_.pending_restart(setup_.script.name, setup_.script.index == 0))
        return "given up: the panel had not returned";
    return "";
}

bool panel_supervisor::start_process(bool first, std::string& error, int& status) {
    status = exitEmulatorFault;
    pages_.reported().ticks().reset(steady::now());
    exchange_listener told(*this, {});
    const panel_life::start_result started = life_.start(first, told, error);
    pages_.end_line();
    if (started == panel_life::start_result::not_started) pages_.story().fault = error;
    if (started == panel_life::start_result::lost) {
        lost({});
        error = pages_.story().fault;
    }
    if (started != panel_life::start_result::loaded) {
        status = life_.last_loss().exitStatus;
        return false;
    }
    say("\n[panel process " + std::to_string(life_.link()->pid()) + "] " + setup_.request.library + " loaded\n");
    return true;
}

rebuilt_load panel_supervisor::load_rebuilt(std::string& error) {
    exchange_listener told(*this, {});
    const rebuilt_load loaded = life_.try_rebuilt(!begun_, told, error);
    pages_.end_line();
    return loaded;
}

int panel_supervisor::load(std::string& error) {
    int status = exitAllHeld;
    if (start_process(true, error, status)) return exitAllHeld;
    return status > 0 && status < 256 ? status : exitEmulatorFault;
}

void panel_supervisor::begin(scenario_recording* recording) {
    record_.open(recording);
    begun_ = life_.link() != nullptr;
    for (const device_change& c : pages_.reported().devices().list()) // a studio's, as the others left them
        if (life_.link()) life_.link()->post(device_frame(c));
    const bool stepped = paused_ || setup_.stepped;
    if (life_.link() && talk(frame("begin", stepped ? "paused" : "scenario"), "begun", nullptr, counted()) && !stepped)
        panelRunning_ = true;
    publish();
}

bool panel_supervisor::talk(const std::string& message, const char* until, live_result* result,
                            const exchange_context& context) {
    exchange_listener told(*this, context);
    const bool answered = life_.link()->exchange(
        action_ && !message.empty() ? told_frame(action_->state()) + message : message, until, result, told);
    pages_.end_line(); // a studio's scripts take turns in the conversation by whole lines
    if (answered) return true;
    lost(context);
    return false;
}

// The pages are told why, and the recording marks the place.
void panel_supervisor::lost(const exchange_context& context) {
    const long pid = life_.link()->pid();
    const link_loss& loss = life_.lose();
    panel_story& story = pages_.story();
    story.fault = loss.fault;
    story.step = loss.step;
    story.note.clear(); // a reload or restart noted before no longer holds
    if (context.counts) account_.note(loss_status(loss));
    panelRunning_ = false;
    say("\n[panel process " + std::to_string(pid) + " ended] " + story.fault + "\n");
    record_.lost(story.fault, context.toldBy);
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
        r.ok = life_.link() != nullptr;
        r.step = action.request.step;
        r.error = r.ok ? "" : pages_.story().fault;
        return r;
    }
    if (!action.request.ok || !life_.link())
        return refuse(action, action.request.ok ? panel_not_running(pages_.story().fault) + "; restart it"
                                                : action.request.error);
    if (talk(act_message(action.origin, action.request.step), "result", &r)) {
        if (recorded) record_.add(r);
        return r;
    }
    r = live_result{};
    r.step = action.request.step;
    r.error = pages_.story().fault;
    r.fault = true;
    return r;
}

panel_supervisor::steady::time_point panel_supervisor::next_tick() const {
    const bool live = life_.link() && panelRunning_ && (!paused_ || paused_->at_end()); // ticks wait for the last step
    return live ? pages_.reported().ticks().next() : steady::time_point::max();
}

std::optional<std::string> panel_supervisor::due_tick(steady::time_point now) {
    if (next_tick() == steady::time_point::max()) return std::nullopt;
    return pages_.reported().ticks().due(now);
}

// The panel's end counts as run's end does: a crash or hang there is its status.
int panel_supervisor::finish() {
    if (life_.link() && talk(frame("finish", ""), "bye", nullptr, counted()))
        life_.link()->end(steady::now() + stopGrace);
    life_.drop();
    return account_.status();
}

} // namespace quon::host
