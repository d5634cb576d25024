#include "panel_process/live_panel.h"

#include "base/json_text.h"
#include "base/output_file.h"

#include <algorithm>

namespace quon::host {

live_panel::live_panel(quon_load_script_fn factory, run_options options, std::ostream& out)
    : runner_(factory, options, out), member_(options.studioMember) {
    if (member_) runner_.watch_changes([this](const device_setting& c) { made(c); });
}

void live_panel::made(const device_setting& c) {
    if (telling_) {
        telling_ = false;
        return;
    }
    if (made_.size() < change_bound::maxChangesPerAction) {
        made_.push_back(c);
        return;
    }
    change_bound bound;
    bound.resume(runner_.bound_count());
    if (bound.reached()) return;
    runner_.log().problem(bound.problem());
    change_bound::count reached = bound.state();
    reached.reached = true;
    runner_.carry_bound(std::move(reached));
}

std::vector<device_setting> live_panel::take_made() {
    std::vector<device_setting> taken;
    taken.swap(made_);
    return taken;
}

void live_panel::begin(const scenario& first, const played_fn& played) {
    open(first);
    play_to(first.steps.size(), played);
}

void live_panel::open(const scenario& first) {
    plan_ = &first;
    played_ = 0;
    runner_.begin(first.explicitStart);
}

// The panel's own start (scenario_runner's start_rule), given as a result
// once it happened: the recording says where it started, so that a "start"
// recorded later (a restart) does not keep a replay from starting it there too.
void live_panel::show_start(bool wasPending, const played_fn& played) {
    if (!wasPending || runner_.start_pending()) return;
    live_result start;
    start.ok = start.recorded = start.unchecked = true;
    start.step = "start";
    played(start);
}

void live_panel::play_to(std::size_t last, const played_fn& played) {
    const std::vector<scenario_step>& steps = plan_->steps;
    for (; played_ < std::min(last, steps.size()); ++played_) {
        const bool pending = runner_.start_pending();
        const live_result result = play(steps[played_]);
        show_start(pending, played);
        played(result);
    }
    if (played_ < steps.size()) return;
    const bool pending = runner_.start_pending();
    runner_.end_of_steps(steps.empty() ? "before the first action" : "after the last step");
    show_start(pending, played);
}

void live_panel::play_one(std::size_t number, const played_fn& played) {
    const bool pending = runner_.start_pending();
    if (number == 0 || number > plan_->steps.size()) {
        runner_.end_of_steps(played_ ? "after the last step" : "before the first step");
        show_start(pending, played);
        return;
    }
    ++played_;
    const live_result result = play(plan_->steps[number - 1], static_cast<int>(number));
    show_start(pending, played);
    played(result);
}

live_result live_panel::play(const std::string& step) {
    scenario_step parsed;
    live_result r;
    if (!parse_step_line(step, "from the page", parsed, r.error)) return r;
    return play(parsed);
}

live_result live_panel::apply(const std::string& origin, const std::string& text) {
    live_result result;
    auto refuse = [&](const std::string& why) {
        runner_.log().step("refused " + origin, why);
        result.error = why;
        return result;
    };
    scenario_step step;
    std::string error;
    if (!parse_step_line(text, origin == "timer tick" ? "from the timers" : "from the page", step, error))
        return refuse(error);
    if (is_check(step.action)) return refuse("not an action: " + text);
    const std::string why = refusal(step.action);
    if (!why.empty()) return refuse(why);
    return play(step);
}

std::string live_panel::refusal(const step_action& action) const {
    if (std::string why = runner_.refusal(action); !why.empty()) return why;
    if (const auto* b = std::get_if<button_step>(&action)) {
        std::string why;
        return runner_.page().accepts_press(b->panel, b->control, why) ? "" : why;
    }
    return "";
}

live_result live_panel::play(const scenario_step& step, int number) {
    live_result result;
    result.step = step.source;
    // A devices file is named from the scenario's folder: the recording, elsewhere, names it in full.
    if (const auto* d = std::get_if<devices_step>(&step.action))
        result.step = write_step(devices_step{full_path(d->file)});
    result.ok = number > 0 ? runner_.play_at(step, number) : runner_.play(step);
    if (!result.ok) result.error = step.source + " could not be carried out";
    if (is_check(step.action)) return result;
    result.property = std::holds_alternative<property_step>(step.action);
    if (result.property) result.answer = runner_.last_answer();
    result.recorded = true;
    result.commands = runner_.commands();
    return result;
}

// Not recorded: a replay's studio reports the change to every script itself.
live_result live_panel::take_changes(const std::string& origin, const std::vector<device_setting>& changes) {
    live_result result;
    result.ok = true;
    result.step = "changes " + origin;
    for (const device_setting& c : changes) {
        telling_ = true; // the first change made is this one, unless it is refused
        const bool played = runner_.play_change(c, origin);
        telling_ = false;
        if (!played) {
            result.ok = false;
            result.error =
                "device " + std::to_string(c.device) + " index " + std::to_string(c.index) + " could not be changed";
        }
        // What it sent when told: part of the step of a studio's action that caused it, as run checks that step.
        const std::vector<std::string>& sent = runner_.commands();
        result.commands.insert(result.commands.end(), sent.begin(), sent.end());
    }
    return result;
}

int live_panel::finish() { return runner_.finish(); }

std::vector<device_change> live_panel::device_states(std::uint64_t since) const {
    std::vector<device_change> states;
    const device_model& model = runner_.devices();
    for (const declared_device& d : model.declared().devices)
        for (std::int32_t n = 1; n <= d.size; ++n)
            if (!since || model.state_revision(d.number, n) > since)
                states.push_back({d.number, n, model.state(d.number, n)});
    return states;
}

std::vector<device_change> live_panel::source_names() const {
    std::vector<device_change> names;
    const declared_device* d = runner_.devices().declared().first(device_type::router);
    for (std::int32_t s = 1; d && d->pictureSelector && s <= d->sources; ++s)
        if (auto name = runner_.devices().source_name(d->number, d->pictureSelector, s))
            names.push_back({d->number, s, *name});
    return names;
}

// The first device of each type, the one the page's steps act on:
// {"router": {"number": 3, "size": 16, "sources": 20, "states": ["1", ...]}, "gpi": ..., "info": ...}
std::string live_panel::devices_json() const {
    const device_model& model = runner_.devices();
    std::string o = "{";
    const char* names[] = {"router", "gpi", "info"};
    const device_type types[] = {device_type::router, device_type::gpi, device_type::info};
    for (int t = 0; t < 3; ++t) {
        o.append(t ? ",\"" : "\"").append(names[t]).append("\":");
        const declared_device* d = model.declared().first(types[t]);
        if (!d) {
            o += "null";
            continue;
        }
        o.append("{\"number\":").append(std::to_string(d->number)).append(",\"size\":").append(std::to_string(d->size));
        o.append(",\"sources\":").append(std::to_string(d->sources)).append(",\"states\":[");
        for (int n = 1; n <= d->size; ++n) append_json_string(o.append(n > 1 ? "," : ""), model.state(d->number, n));
        o += "]}";
    }
    return o + "}";
}

std::string live_panel::summary() { return runner_.log().summary_text(runner_.outstanding()); }

} // namespace quon::host
