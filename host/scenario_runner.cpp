#include "scenario_runner.h"

#include "step_guard.h"
#include "svg_writer.h"


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

bool scenario_runner::start() { return session_.start(factory_, options_.basePath); }

int scenario_runner::run(const scenario& s) {
    if (!s.explicitStart) start_before_first_step();
    int number = 0;
    for (const scenario_step& step : s.steps) play(step, ++number);
    return finish();
}

bool scenario_runner::start_before_first_step() {
    log_.step("start", "start the panel");
    step_guard_enter("start (before the first step)");
    const bool ok = start();
    if (!ok) ++stepErrors_;
    session_.host().clear_commands(); // step 1's commands are its own, not the start-up's
    step_guard_leave();
    return ok;
}

bool scenario_runner::play(const scenario_step& step, int number) {
    const std::string where = "step " + std::to_string(number) + " " + step.where;
    log_.step(where, step.source);
    step_guard_enter(where + ": " + step.source);
    if (!is_check(step.kind)) session_.host().clear_commands();
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
    if (!options_.svgFile.empty() && !snapshot(options_.svgFile)) ++stepErrors_;
    const int outstanding = session_.host().outstanding();
    log_.summary(outstanding);
    const bool faults = log_.malformed() > 0 || log_.problems() > 0 || outstanding > 0;
    if (options_.strict && faults) log_.note("strict run: the script's faults above fail it");
    return log_.failed() > 0 || stepErrors_ > 0 || (options_.strict && faults) ? 1 : 0;
}

bool scenario_runner::apply(const scenario_step& step) {
    const bool needsPanel = step.kind == step_kind::property || step.kind == step_kind::button ||
                            step.kind == step_kind::timer || step.kind == step_kind::stop;
    if (needsPanel && !session_.running()) {
        log_.problem("the panel is not running");
        return false;
    }
    switch (step.kind) {
    case step_kind::start:
        session_.stop();
        return start();
    case step_kind::stop:
        session_.stop();
        return true;
    case step_kind::property:
        lastAnswer_ = session_.property(step.text);
        answered_ = true;
        return true;
    case step_kind::button:
        session_.button(step.text, step.text2, step.text3);
        return true;
    case step_kind::timer:
        session_.timer(step.number);
        return true;
    case step_kind::say:
        log_.note(step.text);
        return true;
    case step_kind::expect_commands:
        expect_commands(step);
        return true;
    case step_kind::expect_property:
        expect_property(step);
        return true;
    case step_kind::expect_answer:
        expect_answer(step);
        return true;
    case step_kind::snapshot:
        return snapshot(step.text);
    default:
        return device_change(step);
    }
}

bool scenario_runner::device_change(const scenario_step& step) {
    std::optional<status_report> report;
    const device_set& declared = devices_.declared();
    auto first = [&](device_type type) -> const device_spec* {
        const device_spec* d = declared.first(type);
        if (!d) log_.problem(std::string("no ") + device_type_name(type) + " device declared");
        return d;
    };
    ::device_change change;
    std::string why;
    switch (step.kind) {
    case step_kind::route:
    case step_kind::gpi:
    case step_kind::info: {
        const device_type type = step.kind == step_kind::route ? device_type::router
                                 : step.kind == step_kind::gpi ? device_type::gpi
                                                               : device_type::info;
        const device_spec* d = first(type);
        if (!d) return false;
        change.device = d->number;
        change.index = step.number;
        change.value = step.kind == step_kind::route ? std::to_string(step.number2)
                       : step.kind == step_kind::gpi ? (step.on ? "on" : "off")
                                                     : step.text;
        break;
    }
    case step_kind::umd:
    case step_kind::tally:
        if (!expand_alias(declared, step_name(step.kind), {std::to_string(step.number), step.text}, change, why)) {
            log_.problem(why.empty() ? std::string("the devices file defines no step \"") + step_name(step.kind) + "\""
                                     : why);
            return false;
        }
        break;
    case step_kind::source: {
        const device_spec* d = first(device_type::router);
        if (!d) return false;
        if (!d->pictureSelector || !devices_.set_source_name(d->number, d->pictureSelector, step.number, step.text)) {
            log_.problem("router " + std::to_string(d->number) + " has no source " + std::to_string(step.number) +
                         (d->pictureSelector ? "" : " picture selector"));
            return false;
        }
        log_.note("new picture name; a panel reads it when it starts");
        return true;
    }
    default: return false;
    }
    if (!devices_.change(change, report, why)) {
        log_.problem(why);
        return false;
    }
    if (!report) {
        log_.note(session_.running() ? "not registered: no report" : "panel not running: no report");
        return true;
    }
    session_.report(*report);
    session_.deliver_pending();
    return true;
}

void scenario_runner::expect_commands(const scenario_step& step) {
    const std::vector<std::string>& got = session_.host().commands();
    const bool ok = commands_match(step.lines, got);
    std::string detail;
    if (!ok) {
        detail = "    expected:\n";
        for (const std::string& e : step.lines) detail += "      " + conversation_log::printable(e) + "\n";
        if (step.lines.empty()) detail += "      (no commands)\n";
        detail += "    got:\n";
        for (const std::string& g : got) detail += "      " + conversation_log::printable(g) + "\n";
        if (got.empty()) detail += "      (no commands)\n";
    }
    log_.expectation(ok, "expect-commands (" + std::to_string(step.lines.size()) + " lines) at " + step.where, detail);
}

void scenario_runner::expect_property(const scenario_step& step) {
    std::string panel = page_.main_panel(), control = step.text;
    const std::size_t slash = control.find('/');
    if (slash != std::string::npos) {
        panel = control.substr(0, slash);
        control = control.substr(slash + 1);
    }
    const std::optional<std::string> got = page_.value(panel, control, step.text2);
    const bool ok = got && *got == step.text3;
    const std::string what = panel + "/" + control + " " + step.text2;
    log_.expectation(ok, what + " = \"" + step.text3 + "\"",
                     ok ? "" : "    expected \"" + conversation_log::printable(step.text3) + "\"\n    got " +
                                   (got ? "\"" + conversation_log::printable(*got) + "\"" : std::string("(not set)")));
}

void scenario_runner::expect_answer(const scenario_step& step) {
    auto show = [](const std::optional<std::string>& a) {
        return a ? "\"" + conversation_log::printable(*a) + "\"" : std::string("null");
    };
    const std::optional<std::string> expected = step.null ? std::nullopt : std::optional<std::string>(step.text);
    if (!answered_) {
        log_.expectation(false, "answer " + show(expected), "    no property message was sent before");
        return;
    }
    const bool ok = expected == lastAnswer_;
    log_.expectation(ok, "answer " + show(expected), ok ? "" : "    got " + show(lastAnswer_));
}

std::string scenario_runner::resolve(const std::string& file) const {
    if (options_.outDir.empty() || file.empty() || file[0] == '/' || (file.size() > 1 && file[1] == ':'))
        return file;
    return options_.outDir + "/" + file;
}

bool scenario_runner::snapshot(const std::string& file) {
    const std::string path = resolve(file);
    std::string error;
    if (!write_page_svg(path, page_, devices_.declared().layout.get(), error)) {
        log_.host_fault("cannot write the picture: " + error);
        return false;
    }
    log_.note("picture of the page written to " + path);
    return true;
}
