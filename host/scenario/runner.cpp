#include "scenario/runner.h"

#include "base/output_file.h"
#include "session/step_guard.h"
#include "picture/svg_writer.h"
#include "base/utf8_text.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace quon::host {

scenario_runner::scenario_runner(quon_load_script_fn factory, const run_options& options, std::ostream& out)
    : scenario_runner({{options.scriptName, factory, options.basePath}}, options, out) {}

scenario_runner::scenario_runner(std::vector<script_entry> scripts, run_options options, std::ostream& out)
    : options_(std::move(options)), log_(out), devices_(options_.devices),
      studio_(std::move(scripts), devices_, log_, options_.studioMember) {}

std::vector<std::size_t> scenario_runner::targets(const std::string& name) const {
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < studio_.size(); ++i)
        if (name.empty() || studio_.at(i).entry.name == name) all.push_back(i);
    return all;
}

int scenario_runner::run(const scenario& s) {
    begin(s.explicitStart);
    // Expectations before the last "reloaded" were an earlier build's.
    std::size_t checkedFrom = 0;
    for (std::size_t i = 0; i < s.steps.size(); ++i)
        if (std::holds_alternative<reloaded_step>(s.steps[i].action)) checkedFrom = i;
    for (std::size_t i = 0; i < s.steps.size(); ++i) {
        log_.set_earlier_build(i < checkedFrom);
        play(s.steps[i]);
    }
    log_.set_earlier_build(false);
    end_of_steps("after the last step");
    return finish();
}

std::string panel_not_running(const std::string& because) {
    return "the panel is not running" + (because.empty() ? std::string() : " (" + because + ")");
}

bool start_rule::before(const step_action& action) {
    if (!pending_ || std::holds_alternative<devices_step>(action)) return false;
    pending_ = false;
    return true;
}

bool start_rule::at_end() {
    const bool starts = pending_;
    pending_ = false;
    return starts;
}

void scenario_runner::begin(bool explicitStart) { start_ = start_rule(explicitStart); }

bool scenario_runner::play(const scenario_step& step) {
    if (start_.before(step.action)) start_before_first_step("before the first step");
    return play(step, ++stepNumber_);
}

void scenario_runner::end_of_steps(const char* when) {
    if (start_.at_end()) start_before_first_step(when);
}

bool scenario_runner::needs_panel(const step_action& action) {
    return std::holds_alternative<property_step>(action) || std::holds_alternative<button_step>(action) ||
           std::holds_alternative<timer_step>(action) || std::holds_alternative<stop_step>(action);
}

bool scenario_runner::start_before_first_step(const char* when) {
    bool ok = true;
    for (std::size_t i = 0; i < studio_.size(); ++i) {
        studio_.speak_for(i);
        log_.step("start", "start the panel");
        step_guard_enter(std::string("start (") + when + ")");
        if (!studio_.start(i)) {
            ok = false;
            ++stepErrors_;
        }
        studio_.deliver_queued();
        studio_.clear_step("start"); // the next step's commands and texts are its own, not the start-up's
        step_guard_leave();
    }
    studio_.speak_for(studio_.current_index());
    return ok;
}

bool scenario_runner::play(const scenario_step& step, int number) {
    where_ = step.where;
    studio_.speak_for(studio_.current_index());
    const std::string where = "step " + std::to_string(number) + " " + step.where;
    log_.step(where, step.source);
    step_guard_enter(where + ": " + step.source);
    if (!is_check(step.action)) studio_.clear_step(step.source);
    const bool ok = apply(step);
    studio_.deliver_queued(); // what the step's script changed reaches the others
    if (!ok) {
        ++stepErrors_;
        log_.expectation(false, step.source + " could not be carried out", "");
    }
    step_guard_leave();
    return ok;
}

bool scenario_runner::play_change(const device_setting& c, const std::string& origin) {
    studio_.speak_for(studio_.current_index());
    const declared_device* d = devices_.declared().find(c.device);
    const std::string what = "device " + std::to_string(c.device) + " index " + std::to_string(c.index) + " state " +
                             (d ? state_text(*d, c.state) : std::to_string(c.state.number));
    log_.step(origin, what);
    step_guard_enter(origin + ": " + what);
    studio_.clear_step();
    const bool ok = change(c);
    studio_.deliver_queued();
    step_guard_leave();
    return ok;
}

int scenario_runner::finish() {
    for (std::size_t i = 0; i < studio_.size(); ++i) {
        if (!studio_.at(i).session.running()) continue;
        studio_.speak_for(i);
        log_.step("end", "stop the panel");
        step_guard_enter("end: stop the panel");
        studio_.at(i).session.stop();
        studio_.deliver_queued();
    }
    step_guard_leave();
    studio_.speak_for(studio_.current_index());
    if (!options_.svgFile.empty()) write_picture(options_.svgFile);
    log_.set_script("");
    const int outstanding = studio_.outstanding();
    log_.summary(outstanding);
    if (emulatorFaults_ > 0) {
        log_.note("panel_host failed itself (see above): the run says nothing about the panel");
        return exitEmulatorFault;
    }
    const bool faults = log_.malformed() > 0 || log_.problems() > 0 || outstanding > 0;
    if (options_.strict && faults) log_.note("strict run: the script's faults above fail it");
    return log_.failed() > 0 || stepErrors_ > 0 || (options_.strict && faults) ? exitExpectationFailed : exitAllHeld;
}

std::string scenario_runner::refusal(const step_action& action) const {
    if (needs_panel(action) && !running()) return panel_not_running();
    std::string why;
    const std::optional<device_setting> c = first_device_setting(action, why);
    if (c) devices_.accepts(*c, why);
    return why;
}

bool scenario_runner::apply(const scenario_step& step) {
    if (const std::string why = refusal(step.action); !why.empty()) {
        log_.problem(why);
        return false;
    }
    if (is_check(step.action)) { // the emulator's own work: no panel runs meanwhile
        const step_guard_emulator_time emulatorTime;
        return std::visit([this](const auto& s) { return apply(s); }, step.action);
    }
    return std::visit([this](const auto& s) { return apply(s); }, step.action);
}

bool scenario_runner::apply(const start_step& s) {
    bool ok = true;
    for (std::size_t i : targets(s.script)) {
        studio_.speak_for(i);
        studio_.at(i).session.stop();
        ok = studio_.start(i) && ok;
        studio_.deliver_queued();
    }
    return ok;
}

bool scenario_runner::apply(const stop_step& s) {
    for (std::size_t i : targets(s.script)) {
        studio_.speak_for(i);
        studio_.at(i).session.stop();
        studio_.deliver_queued();
    }
    return true;
}

bool scenario_runner::apply(const script_step& s) {
    if (studio_.select(s.name)) return true;
    log_.problem("no script is named \"" + s.name + "\"");
    return false;
}

bool scenario_runner::apply(const reloaded_step&) {
    log_.note("a rebuilt library took the panel's place here; the expectations after this count");
    return true;
}

bool scenario_runner::apply(const abandon_step&) {
    if (running()) copies_.abandoned(studio_.current_index());
    session().abandon();
    return true;
}

// What serve's restart does, in this one process: the panel destroyed
// through slot 0 if it runs, as serve destroys it before the process ends,
// then created from a fresh copy of its library, as in serve's new process.
bool scenario_runner::apply(const restart_step& s) {
    bool ok = true;
    for (std::size_t i : targets(s.script)) {
        studio_.speak_for(i);
        studio::member& script = studio_.at(i);
        script.session.stop();
        std::string error = "the library's file is not known";
        const quon_load_script_fn fresh =
            i < options_.libraries.size() ? copies_.fresh(i, options_.libraries[i], error) : nullptr;
        if (!fresh) {
            log_.problem("cannot load the library afresh: " + error);
            ok = false;
            continue;
        }
        script.entry.factory = fresh;
        log_.note("the library loaded afresh from a copy: its globals start new, as in a new process");
        ok = studio_.start(i) && ok;
        studio_.deliver_queued();
    }
    return ok;
}

bool scenario_runner::apply(const property_step& s) {
    lastAnswer_ = session().property(s.message);
    answered_ = true;
    return true;
}

bool scenario_runner::apply(const button_step& s) {
    session().button(s.panel, s.control, s.event);
    return true;
}

bool scenario_runner::apply(const timer_step& s) {
    session().timer(s.id);
    return true;
}

// Virtual time: every tick due within the span, in time order, each
// delivered as the "timer" step delivers one.
bool scenario_runner::apply(const wait_step& s) {
    const int ticks = studio_.wait(s.ms);
    log_.note("waited " + std::to_string(s.ms) + " ms: " + std::to_string(ticks) + " tick" + (ticks == 1 ? "" : "s") +
              ", virtual time now " + std::to_string(session().host().timers().now()) + " ms");
    return true;
}

bool scenario_runner::apply(const say_step& s) {
    log_.note(s.text);
    return true;
}

// Route, GPI and information steps name no device: they change the first
// device of their type that the devices file declares.
std::optional<device_setting> scenario_runner::first_device_setting(const step_action& action, std::string& why) const {
    device_type type = device_type::router;
    device_setting c;
    if (const auto* r = std::get_if<route_step>(&action)) {
        c = {0, r->destination, {r->source, ""}};
    } else if (const auto* g = std::get_if<gpi_step>(&action)) {
        type = device_type::gpi;
        c = {0, g->input, {g->on ? 1 : 0, ""}};
    } else if (const auto* i = std::get_if<info_step>(&action)) {
        type = device_type::info;
        c = {0, i->slot, {0, i->text}};
    } else {
        return std::nullopt;
    }
    const declared_device* d = devices_.declared().first(type);
    if (!d) {
        why = std::string("no ") + device_type_name(type) + " device is declared (a devices file names them)";
        return std::nullopt;
    }
    c.device = d->number;
    return c;
}

template <typename change_type>
bool scenario_runner::change(const change_type& c) {
    std::vector<addressed_report> reports;
    std::string why;
    if (!devices_.change(c, reports, why)) log_.problem(why);
    return report(why.empty(), std::move(reports));
}

// refusal() found the device and the state it takes.
bool scenario_runner::apply(const route_step& s) {
    std::string why;
    return change(*first_device_setting(s, why));
}

bool scenario_runner::apply(const gpi_step& s) {
    std::string why;
    return change(*first_device_setting(s, why));
}

bool scenario_runner::apply(const info_step& s) {
    std::string why;
    return change(*first_device_setting(s, why));
}

// "umd" and "tally" are aliases a devices file defines (kivren's does).
bool scenario_runner::alias(const char* name, std::int32_t index, const std::string& value) {
    device_change c;
    std::string why;
    if (!expand_alias(devices_.declared(), name, {std::to_string(index), value}, c, why)) {
        log_.problem(why.empty() ? std::string("the devices file defines no step \"") + name + "\"" : why);
        return false;
    }
    return change(c);
}

bool scenario_runner::apply(const umd_step& s) { return alias("umd", s.display, s.text); }

bool scenario_runner::apply(const tally_step& s) { return alias("tally", s.display, s.state); }

bool scenario_runner::apply(const source_step& s) {
    const declared_device* d = devices_.declared().first(device_type::router);
    if (!d || !d->pictureSelector || !devices_.set_source_name(d->number, d->pictureSelector, s.source, s.picture)) {
        log_.problem(d ? (d->pictureSelector
                              ? "router " + std::to_string(d->number) + " has no source " + std::to_string(s.source)
                              : "router " + std::to_string(d->number) + " declares no picture-selector")
                       : std::string("no router device is declared"));
        return false;
    }
    log_.note("new picture name; a panel reads it when it starts");
    return true;
}

bool scenario_runner::report(bool inRange, std::vector<addressed_report> reports) {
    if (!inRange) return false;
    if (reports.empty()) {
        log_.note(studio_.any_running() ? "not registered: no report" : "panel not running: no report");
        return true;
    }
    studio_.deliver(std::move(reports));
    return true;
}

bool scenario_runner::apply(const snapshot_step& step) {
    write_picture(snapshot_path(options_, step.file));
    return true;
}

bool scenario_runner::apply(const devices_step& s) {
    if (studio_.any_running()) {
        log_.problem("the panel is running: the devices change only before it starts or after \"stop\"");
        return false;
    }
    const auto found = options_.stepDevices.find(s.file);
    if (found == options_.stepDevices.end()) {
        log_.problem("devices file " + s.file + " was not read before the run");
        return false;
    }
    devices_.declare(found->second);
    log_.note("devices declared by " + s.file);
    return true;
}

void scenario_runner::write_picture(const std::string& path) {
    const step_guard_emulator_time emulatorTime;
    std::string error;
    if (write_output_file(path, render_page_svg(page(), devices_.declared().layout.get()), error)) {
        log_.note("picture of the page written to " + path);
        return;
    }
    ++emulatorFaults_;
    log_.note("panel_host failed: " + error);
    std::cerr << "panel_host: " << error << " (the emulator's own failure, not the panel's)\n";
}

} // namespace quon::host
