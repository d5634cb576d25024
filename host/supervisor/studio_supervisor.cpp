#include "supervisor/studio_supervisor.h"

#include "base/utf8_text.h"
#include "session/studio.h"

#include <deque>

namespace quon::host {

studio_supervisor::studio_supervisor(const supervisor_setup& common,
                                     const std::vector<std::pair<std::string, std::string>>& scripts, live_feed& feed,
                                     action_queue& queue, std::ostream& out, const link_maker& makeLink)
    : queue_(queue), interrupted_(common.interrupted), out_(out), feed_(feed), watch_(common.watch) {
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        supervisor_setup setup = common;
        setup.request.library = scripts[i].second;
        setup.script = {scripts[i].first, i, scripts.size()};
        scripts_.push_back(std::make_unique<panel_supervisor>(std::move(setup), feed, queue, out, makeLink));
    }
}

void studio_supervisor::say(const std::string& line) {
    out_ << line << std::flush;
    feed_.append(line);
}

int studio_supervisor::load(std::string& error, std::ostream& errors) {
    for (auto& script : scripts_) {
        const int status = script->load(error);
        if (status == exitAllHeld) continue;
        if (scripts_.size() > 1) error = script->script().name + ": " + error;
        if (!watch_ || !script->unloadable()) return status;
        errors << "panel_host: " << error << "; waiting for the next build" << std::endl;
    }
    return exitAllHeld;
}

bool studio_supervisor::begin(scenario_recording* recording, const scenario& plan) {
    recording_ = recording;
    const bool stepped = scripts_.size() > 1 && !plan.steps.empty(); // play() starts them
    std::vector<bool> wereLive;
    for (auto& script : scripts_) {
        wereLive.push_back(script->live());
        // As run starts them: what one changes as it starts is told to those started before it, and
        // those after start from it, each start an action of its own. With a scenario, play() starts them.
        counted_action("start", [&] {
            script->begin(recording);
            if (stepped) script->drop_made();
            else spread(*script);
        });
    }
    if (scripts_.size() > 1 && !plan.steps.empty()) play(plan);
    for (std::size_t i = 0; i < scripts_.size(); ++i)
        if (wereLive[i] && !scripts_[i]->live()) return false;
    return true;
}

void studio_supervisor::serve_actions() {
    using namespace std::chrono;
    using steady = steady_clock;
    while (!(interrupted_ && *interrupted_)) {
        steady::time_point tickAt = steady::time_point::max();
        for (auto& script : scripts_) tickAt = std::min(tickAt, script->next_tick());
        const auto now = steady::now();
        milliseconds wait(100);
        if (tickAt <= now) wait = milliseconds(0);
        else if (tickAt < now + wait) wait = ceil<milliseconds>(tickAt - now);
        std::optional<live_action> action = queue_.pop(wait);
        if (action) {
            const live_result result = apply(*action);
            if (action->done) action->done->set_value(result);
        }
        tick();
        for (auto& script : scripts_) script->watch();
    }
}

// A device changed from the page reaches every script, so that with no
// script named, any whose process runs may make it: the devices stay live
// while the first script is down.
panel_supervisor* studio_supervisor::named(const request_outcome& request, std::string& why) {
    if (request.script.empty() && request.device)
        for (auto& script : scripts_)
            if (script->live()) return script.get();
    if (request.script.empty()) return scripts_.front().get();
    std::string names;
    for (auto& script : scripts_) {
        if (script->script().name == request.script) return script.get();
        names += (names.empty() ? "" : ", ") + script->script().name;
    }
    why = request.step + ": no script is named \"" + printable(request.script) + "\" (serve's: " + names + ")";
    return nullptr;
}

live_result studio_supervisor::apply(const live_action& action) {
    std::string why;
    panel_supervisor* script = named(action.request, why);
    if (!script) {
        say("\n[refused " + action.origin + "] " + why + "\n");
        live_result refused;
        refused.error = why;
        return refused;
    }
    script->drop_made();
    live_result result;
    counted_action(action.request.step, [&] {
        record_held([&] {
            result = script->apply(action);
            spread(*script);
        });
    });
    return result;
}

// run checks a step's commands once the changes it made have gone round:
// the step is recorded then, with what its script sent meanwhile.
void studio_supervisor::record_held(const std::function<void()>& action) {
    if (recording_) recording_->hold();
    action();
    if (recording_) recording_->release();
}

// Breadth first, as the reports of one change reach every script before
// those of the changes they cause; each script told the changes in the order
// they were made. The processes count the reports against the action's
// bound (count_in); once it is reached they take the changes still to tell
// without reports, so that every script's devices stay those run's one set
// holds, and a later change is told as it comes.
void studio_supervisor::spread(panel_supervisor& from, bool counts) {
    std::deque<std::pair<panel_supervisor*, std::vector<device_setting>>> waves;
    waves.emplace_back(&from, from.take_made());
    while (!waves.empty() && scripts_.size() > 1 && !(interrupted_ && *interrupted_)) {
        auto [origin, changes] = std::move(waves.front());
        waves.pop_front();
        for (std::size_t i = 0; i < scripts_.size() && !changes.empty(); ++i) {
            panel_supervisor* script = scripts_[i].get();
            if (script == origin) continue; // one not begun yet only begins with them: it makes none
            std::vector<device_setting> made = script->forward(changes, *origin, counts);
            if (!made.empty()) waves.emplace_back(script, std::move(made));
        }
    }
}

// One action of the studio: its exchanges with every script count its
// changes against one bound, as run counts a step's.
void studio_supervisor::counted_action(const std::string& step, const std::function<void()>& action) {
    change_bound bound;
    bound.reset(step);
    for (auto& script : scripts_) script->count_in(scripts_.size() > 1 ? &bound : nullptr);
    action();
    for (auto& script : scripts_) script->count_in(nullptr);
}

// The earliest due tick moves every script's clock; the script whose timer
// it is records it, once.
void studio_supervisor::tick() {
    const auto now = std::chrono::steady_clock::now();
    for (auto& due : scripts_) {
        const std::optional<std::string> step = due->due_tick(now);
        if (!step) continue;
        live_action action;
        action.origin = "timer tick";
        action.request.ok = true;
        action.request.step = *step;
        counted_action(*step, [&] { // every script's clock moves in the one "wait" step of a replay
            for (auto& script : scripts_) {
                if (!script->live()) continue;
                script->drop_made();
                record_held([&] {
                    script->apply(action, script == due);
                    spread(*script);
                });
            }
        });
        return;
    }
}

int studio_supervisor::finish() {
    int status = exitAllHeld;
    for (auto& script : scripts_) status = combined_status(status, script->finish());
    return status;
}

bool studio_supervisor::abandoned() const {
    for (const auto& script : scripts_)
        if (script->abandoned()) return true;
    return false;
}

} // namespace quon::host
