// studio_supervisor's scenario (serve --scenario with several scripts),
// played as run plays one: each step in the process of the script it goes
// to, the changes it makes passed to the others before the next step.
#include "supervisor/studio_supervisor.h"

namespace quon::host {

namespace {

// The scripts a step of a studio's scenario is played by, given the one
// the steps go to now: "devices" and "wait" change what every script has
// (the devices declared, the one virtual clock), "start", "stop" and "restart" act on
// the script they name or on all; any other step on the current one.
std::vector<std::size_t> players(const step_action& action, std::size_t current,
                                 const std::vector<std::string>& names) {
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < names.size(); ++i) all.push_back(i);
    if (std::holds_alternative<devices_step>(action) || std::holds_alternative<wait_step>(action)) return all;
    const std::string* named = named_script(action);
    if (!std::holds_alternative<start_step>(action) && !std::holds_alternative<stop_step>(action) &&
        !std::holds_alternative<restart_step>(action))
        return {current};
    if (!named) return all;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == *named) return {i};
    return {};
}

} // namespace

std::size_t studio_supervisor::index_of(const std::string& name) const {
    for (std::size_t i = 0; i < scripts_.size(); ++i)
        if (scripts_[i]->script().name == name) return i;
    return 0; // serve checked the scenario's names before it began
}

// Every script starts before the first step that is not "devices", unless
// the scenario starts them itself; one whose process ends, in its step or
// told of another's changes, ends the scenario as a crash ends a run, and
// counts in the exit status as run counts it.
void studio_supervisor::play(const scenario& plan) {
    std::vector<std::string> names;
    for (auto& script : scripts_) names.push_back(script->script().name);
    std::size_t current = 0;
    start_rule start(plan.explicitStart);
    std::vector<bool> wereLive; // a script whose library did not load (--watch) ends nothing until a step goes to it
    for (auto& script : scripts_) wereLive.push_back(script->live());
    const auto play_in = [&](std::size_t i, std::size_t number, bool recorded, bool spreads) {
        panel_supervisor& script = *scripts_[i];
        script.drop_made();
        bool played = false;
        record_held([&] {
            played = script.play_step(number, recorded);
            if (played && spreads) spread(script, true);
            else if (played) script.drop_made(); // the devices declared anew
        });
        for (std::size_t j = 0; j < scripts_.size(); ++j)
            if ((j == i || wereLive[j]) && !scripts_[j]->live()) { // lost in the step or on the changes it made
                say("\n[the scenario stops " + (number ? "at step " + std::to_string(number) : "as it starts") + ": " +
                    names[j] + "'s process ended]\n");
                return false;
            }
        return true;
    };
    // As run starts them: each script's start an action of its own.
    const auto start_all = [&] {
        bool ok = true;
        for (std::size_t i = 0; i < scripts_.size() && ok; ++i)
            counted_action("start", [&] { ok = play_in(i, 0, true, true); });
        return ok;
    };
    for (std::size_t n = 1; n <= plan.steps.size(); ++n) {
        const step_action& action = plan.steps[n - 1].action;
        const bool forAll = std::holds_alternative<devices_step>(action) || std::holds_alternative<wait_step>(action);
        if (const auto* s = std::get_if<script_step>(&action)) {
            current = index_of(s->name);
            continue;
        }
        const bool declares = std::holds_alternative<devices_step>(action);
        if (start.before(action) && !start_all()) return;
        const std::vector<std::size_t> by = players(action, current, names);
        bool ok = true;
        counted_action(plan.steps[n - 1].source, [&] {        // one action, as run plays the step
            for (std::size_t i = 0; i < by.size() && ok; ++i) // a step every script plays is recorded once
                ok = play_in(by[i], n, !forAll || i == 0, !declares);
        });
        if (!ok) return;
    }
    start_all(); // a scenario of "devices" steps only starts them here
}

} // namespace quon::host
