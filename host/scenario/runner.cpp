#include "scenario/runner.h"

#include "base/output_file.h"
#include "session/step_guard.h"
#include "picture/svg_writer.h"
#include "base/utf8_text.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace quon::host {

load_result load_run_devices(const scenario& s, const std::string& devicesFile, run_options& options,
                             std::string& error) {
    declaration_budget budget; // every devices file and layout of the run together
    if (!devicesFile.empty()) {
        const load_result r = read_devices_file(devicesFile, options.devices, error, &budget);
        if (r != load_result::ok) return r;
        options.inputs.push_back(devicesFile);
    }
    for (const scenario_step& step : s.steps) {
        const auto* d = std::get_if<devices_step>(&step.action);
        if (!d || options.stepDevices.count(d->file)) continue;
        const load_result r = read_devices_file(d->file, options.stepDevices[d->file], error, &budget);
        if (r != load_result::ok) {
            error = step.where + ": " + error;
            return r;
        }
        options.inputs.push_back(d->file);
    }
    return load_result::ok;
}

bool commands_match(const std::vector<std::string>& expected, const std::vector<std::string>& got) {
    // Glob matching over lines: can[i][j] says expected[i..] matches got[j..].
    const std::size_t n = expected.size(), m = got.size();
    std::vector<std::vector<char>> can(n + 1, std::vector<char>(m + 1, 0));
    can[n][m] = 1;
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m + 1; j-- > 0;) {
            if (expected[i] == "...") can[i][j] = can[i + 1][j] || (j < m && can[i][j + 1]);
            else can[i][j] = j < m && expected[i] == got[j] && can[i + 1][j + 1];
        }
    }
    return can[0][0] != 0;
}

scenario_runner::scenario_runner(quon_load_script_fn factory, run_options options, std::ostream& out)
    : factory_(factory), options_(std::move(options)), log_(out), devices_(options_.devices),
      session_(devices_, page_, log_) {}

const std::string* replaced_input(const run_options& options, const std::string& path) {
    for (const std::string& input : options.inputs)
        if (same_file(path, input)) return &input;
    return nullptr;
}

bool check_run_outputs(const scenario& s, const run_options& options, std::string& error) {
    auto replaces_input = [&](const std::string& path, const std::string& where) {
        const std::string* input = replaced_input(options, path);
        if (input) error = where + ": " + path + " would replace the run's input " + *input;
        return input != nullptr;
    };
    for (const scenario_step& step : s.steps) {
        const auto* snap = std::get_if<snapshot_step>(&step.action);
        if (!snap) continue;
        const std::string path = snapshot_path(options, snap->file);
        if (!inside_folder(options.outDir, path)) {
            error = step.where + ": snapshot " + snap->file + " leaves the output directory through a link";
            return false;
        }
        if (replaces_input(path, step.where)) return false;
    }
    return options.svgFile.empty() || !replaces_input(options.svgFile, "--svg");
}

bool scenario_runner::start() { return session_.start(factory_, options_.basePath); }

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

void scenario_runner::begin(bool explicitStart) { startPending_ = !explicitStart; }

bool scenario_runner::play(const scenario_step& step) {
    // The panel starts once the devices it plays are declared.
    if (startPending_ && !std::holds_alternative<devices_step>(step.action)) {
        startPending_ = false;
        start_before_first_step("before the first step");
    }
    return play(step, ++stepNumber_);
}

void scenario_runner::end_of_steps(const char* when) {
    if (!startPending_) return;
    startPending_ = false;
    start_before_first_step(when);
}

bool scenario_runner::needs_panel(const step_action& action) {
    return std::holds_alternative<property_step>(action) || std::holds_alternative<button_step>(action) ||
           std::holds_alternative<timer_step>(action) || std::holds_alternative<stop_step>(action);
}

bool scenario_runner::start_before_first_step(const char* when) {
    log_.step("start", "start the panel");
    step_guard_enter(std::string("start (") + when + ")");
    const bool ok = start();
    if (!ok) ++stepErrors_;
    session_.host().clear_commands(); // the next step's commands and texts are its own, not the start-up's
    session_.clear_debug_texts();
    step_guard_leave();
    return ok;
}

bool scenario_runner::play(const scenario_step& step, int number) {
    where_ = step.where;
    const std::string where = "step " + std::to_string(number) + " " + step.where;
    log_.step(where, step.source);
    step_guard_enter(where + ": " + step.source);
    if (!is_check(step.action)) {
        session_.host().clear_commands();
        session_.clear_debug_texts();
    }
    const bool ok = apply(step);
    if (!ok) {
        ++stepErrors_;
        log_.expectation(false, step.source + " could not be carried out", "");
    }
    step_guard_leave();
    return ok;
}

int scenario_runner::finish() {
    if (session_.running()) {
        log_.step("end", "stop the panel");
        step_guard_enter("end: stop the panel");
        session_.stop();
    }
    step_guard_leave();
    if (!options_.svgFile.empty()) write_picture(options_.svgFile);
    const int outstanding = session_.host().outstanding();
    log_.summary(outstanding);
    if (emulatorFaults_ > 0) {
        log_.note("panel_host failed itself (see above): the run says nothing about the panel");
        return exitEmulatorFault;
    }
    const bool faults = log_.malformed() > 0 || log_.problems() > 0 || outstanding > 0;
    if (options_.strict && faults) log_.note("strict run: the script's faults above fail it");
    return log_.failed() > 0 || stepErrors_ > 0 || (options_.strict && faults) ? exitExpectationFailed : exitAllHeld;
}

bool scenario_runner::apply(const scenario_step& step) {
    if (needs_panel(step.action) && !session_.running()) {
        log_.problem("the panel is not running");
        return false;
    }
    if (is_check(step.action)) { // the emulator's own work: no panel runs meanwhile
        const step_guard_emulator_time emulatorTime;
        return std::visit([this](const auto& s) { return apply(s); }, step.action);
    }
    return std::visit([this](const auto& s) { return apply(s); }, step.action);
}

bool scenario_runner::apply(const start_step&) {
    session_.stop();
    return start();
}

bool scenario_runner::apply(const stop_step&) {
    session_.stop();
    return true;
}

bool scenario_runner::apply(const reloaded_step&) {
    log_.note("a rebuilt library took the panel's place here; the expectations after this count");
    return true;
}

bool scenario_runner::apply(const abandon_step&) {
    session_.abandon();
    return true;
}

bool scenario_runner::apply(const property_step& s) {
    lastAnswer_ = session_.property(s.message);
    answered_ = true;
    return true;
}

bool scenario_runner::apply(const button_step& s) {
    session_.button(s.panel, s.control, s.event);
    return true;
}

bool scenario_runner::apply(const timer_step& s) {
    session_.timer(s.id);
    return true;
}

// Virtual time: every tick due within the span, in time order, each
// delivered as the "timer" step delivers one.
bool scenario_runner::apply(const wait_step& s) {
    timer_clock& clock = session_.host().timers();
    const std::int64_t until = clock.now() + s.ms;
    int ticks = 0;
    while (const std::optional<std::int32_t> id = clock.next_tick(until)) {
        log_.note("virtual time " + std::to_string(clock.now()) + " ms");
        session_.timer(*id);
        ++ticks;
    }
    clock.advance_to(until);
    log_.note("waited " + std::to_string(s.ms) + " ms: " + std::to_string(ticks) + " tick" + (ticks == 1 ? "" : "s") +
              ", virtual time now " + std::to_string(clock.now()) + " ms");
    return true;
}

bool scenario_runner::apply(const say_step& s) {
    log_.note(s.text);
    return true;
}

// Route, GPI and information steps name no device: they change the first
// device of their type that the devices file declares.
bool scenario_runner::change_first(device_type type, std::int32_t index, const std::string& value) {
    const declared_device* d = devices_.declared().first(type);
    if (!d) {
        log_.problem(std::string("no ") + device_type_name(type) + " device is declared (a devices file names them)");
        return false;
    }
    return change({d->number, index, value});
}

bool scenario_runner::change(const device_change& c) {
    std::optional<status_report> r;
    std::string why;
    if (!devices_.change(c, r, why)) log_.problem(why);
    return report(why.empty(), r);
}

bool scenario_runner::apply(const route_step& s) {
    return change_first(device_type::router, s.destination, std::to_string(s.source));
}

bool scenario_runner::apply(const gpi_step& s) { return change_first(device_type::gpi, s.input, s.on ? "on" : "off"); }

bool scenario_runner::apply(const info_step& s) { return change_first(device_type::info, s.slot, s.text); }

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

bool scenario_runner::report(bool inRange, const std::optional<status_report>& r) {
    if (!inRange) return false;
    if (!r) {
        log_.note(session_.running() ? "not registered: no report" : "panel not running: no report");
        return true;
    }
    session_.report(*r);
    session_.deliver_pending();
    return true;
}

bool scenario_runner::apply(const expect_commands_step& step) {
    const std::vector<std::string>& got = session_.host().commands();
    const bool ok = commands_match(step.lines, got);
    std::string detail;
    if (!ok) {
        detail = "    expected:\n";
        for (const std::string& e : step.lines) detail += "      " + printable(e) + "\n";
        if (step.lines.empty()) detail += "      (no commands)\n";
        detail += "    got:\n";
        for (const std::string& g : got) detail += "      " + printable(g) + "\n";
        if (got.empty()) detail += "      (no commands)\n";
    }
    log_.expectation(ok, "expect-commands (" + std::to_string(step.lines.size()) + " lines) at " + where_, detail);
    return true;
}

bool scenario_runner::apply(const expect_property_step& step) {
    const std::string panel = step.panel.empty() ? page_.main_panel() : step.panel;
    const std::optional<std::string> got = page_.value(panel, step.control, step.property);
    const bool ok = got && *got == step.value;
    const std::string what = panel + "/" + step.control + " " + step.property;
    log_.expectation(ok, what + " = \"" + step.value + "\"",
                     ok ? ""
                        : "    expected \"" + printable(step.value) + "\"\n    got " +
                              (got ? "\"" + printable(*got) + "\"" : std::string("(not set)")));
    return true;
}

bool scenario_runner::apply(const expect_answer_step& step) {
    auto show = [](const std::optional<std::string>& a) {
        return a ? "\"" + printable(*a) + "\"" : std::string("null");
    };
    if (!answered_) {
        log_.expectation(false, "answer " + show(step.answer), "    no property message was sent before");
        return true;
    }
    const bool ok = step.answer == lastAnswer_;
    log_.expectation(ok, "answer " + show(step.answer), ok ? "" : "    got " + show(lastAnswer_));
    return true;
}

bool scenario_runner::apply(const expect_debug_step& step) {
    const std::vector<std::string>& written = session_.debug_texts();
    const bool ok = std::find(written.begin(), written.end(), step.text) != written.end();
    std::string detail;
    if (!ok) {
        detail = "    written since the last step that was not a check:\n";
        for (const std::string& w : written) detail += "      " + printable(w) + "\n";
        if (written.empty()) detail += "      (no debugger texts)\n";
    }
    log_.expectation(ok, "debugger text \"" + printable(step.text) + "\"", detail);
    return true;
}

bool scenario_runner::apply(const snapshot_step& step) {
    write_picture(snapshot_path(options_, step.file));
    return true;
}

bool scenario_runner::apply(const devices_step& s) {
    if (session_.running()) {
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

std::string snapshot_path(const run_options& options, const std::string& file) {
    return options.outDir.empty() ? file : options.outDir + "/" + file;
}

void scenario_runner::write_picture(const std::string& path) {
    const step_guard_emulator_time emulatorTime;
    std::string error;
    if (write_output_file(path, render_page_svg(page_, devices_.declared().layout.get()), error)) {
        log_.note("picture of the page written to " + path);
        return;
    }
    ++emulatorFaults_;
    log_.note("panel_host failed: " + error);
    std::cerr << "panel_host: " << error << " (the emulator's own failure, not the panel's)\n";
}

} // namespace quon::host
