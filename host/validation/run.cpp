#include "validation/run.h"

#include "base/output_file.h"
#include "base/utf8_text.h"
#include "session/debug_capture.h"
#include "session/panel_library.h"
#include "session/step_guard.h"
#include "validation/checks.h"
#include "validation/failure_recorder.h"
#include "validation/save_failures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

namespace quon::host {

namespace {

// The checks' lines as they are printed, and how many failed.
struct check_lines {
    std::size_t failed = 0;

    void print(const std::string& name, const check_result& r) {
        if (!r.ok) ++failed;
        std::fputs(check_line(name, r).c_str(), stdout);
        std::fflush(stdout); // a crash in the next check must not swallow this line
    }
};

// A protocol finding gathered over all checks: PASS with the count, or FAIL
// with the first few cases.
check_result findings(const std::vector<std::string>& found, const std::string& passDetail) {
    if (found.empty()) return {true, passDetail};
    std::string detail = found.front();
    for (std::size_t i = 1; i < found.size(); ++i) detail += "; " + found[i];
    return {false, detail};
}

// The debugger texts the scripts wrote during a check, under its line:
// thousands of scripts write the same few thousands of times, so each
// distinct text is shown once with its count, the first few of them, cut to
// a line.
void debug_lines(debug_capture& debug) {
    constexpr std::size_t shown = 3, longest = 100;
    std::vector<std::pair<std::string, std::size_t>> distinct;
    std::size_t others = 0;
    for (const std::string& text : debug.take()) {
        auto same = std::find_if(distinct.begin(), distinct.end(), [&](const auto& d) { return d.first == text; });
        if (same != distinct.end()) ++same->second;
        else if (distinct.size() < shown) distinct.emplace_back(text, 1);
        else ++others;
    }
    for (const auto& d : distinct)
        std::printf("      debug text: %s%s\n", printable(utf8_shorten(valid_utf8(d.first), longest)).c_str(),
                    d.second > 1 ? (" (" + std::to_string(d.second) + " times)").c_str() : "");
    if (others > 0) std::printf("      debug text: and %zu other texts\n", others);
}

// The findings a check made that no script's life was saved for (a check
// whose scripts a scenario cannot play): saved as far as they can be.
void save_findings(failure_recorder& recorder, const validate_totals& before, const validate_totals& after) {
    const std::pair<const char*, std::vector<std::string> validate_totals::*> lists[] = {
        {"malformed-command", &validate_totals::malformedFirst},
        {"reply", &validate_totals::protocolFaults},
        {"answer", &validate_totals::answerFaults},
        {"answer-not-owed", &validate_totals::resultFaults},
        {"shut-down", &validate_totals::shutdownFaults},
    };
    for (const auto& [kind, list] : lists)
        if ((after.*list).size() > (before.*list).size()) recorder.finding(kind, (after.*list)[(before.*list).size()]);
}

// Runs every check in turn, each named to the step guard, with the panel's
// debugger texts after it.
void run_checks(const validate_options& options, validate_totals& totals, check_lines& lines) {
    struct check {
        const char* name;
        check_result (*run)(const validate_options&, validate_totals&);
    };
    const check checks[] = {
        {"create", check_create},
        {"null host", check_null_host},
        {"repeat", check_repeat},
        {"together", check_together},
        {"threads", check_threads},
        {"kinds", check_kinds},
        {"null records", check_null_records},
        {"random", check_random},
        {"controls", check_controls},
    };
    debug_capture debug; // begun before any check starts a thread, ended after they end
    debug.begin();
    for (const check& c : checks) {
        step_guard_enter(std::string("check ") + c.name);
        if (options.recorder) options.recorder->begin_check(c.name);
        const validate_totals before = totals;
        const check_result r = c.run(options, totals);
        if (options.recorder && !unsayable_check(c.name).empty()) save_findings(*options.recorder, before, totals);
        lines.print(c.name, r);
        debug_lines(debug);
    }
    debug.end();
    step_guard_leave();
}

// The findings gathered over all checks.
void report_totals(const validate_totals& totals, check_lines& lines) {
    lines.print("results", findings(totals.resultFaults, "every event but a property message was answered with null"));
    lines.print("answers", findings(totals.answerFaults, std::to_string(totals.answers) +
                                                             " property answers, each a block of the script's own, "
                                                             "all taken back"));
    lines.print("commands", findings(totals.malformedFirst, std::to_string(totals.commands) +
                                                                " commands, every one a known code with its fields"));
    std::vector<std::string> replies = totals.protocolFaults;
    if (replies.empty() && totals.owedGiven != totals.owedBack)
        replies.push_back(std::to_string(totals.owedGiven - totals.owedBack) + " replies never came back");
    lines.print("replies", findings(replies, std::to_string(totals.owedGiven) +
                                                 " replies to TG, RN and XI, each handed back once, in time"));
    lines.print("shut-down", findings(totals.shutdownFaults, std::to_string(totals.destroyed) +
                                                                 " scripts destroyed with a host, each sending \"AS\" "
                                                                 "last"));
}

} // namespace

std::string check_line(const std::string& name, const check_result& r) {
    char head[32];
    std::snprintf(head, sizeof head, "%s  %-14s ", r.ok ? "PASS" : "FAIL", name.c_str());
    return head + printable(r.detail) + "\n";
}

validate_outcome run_validation(const validate_request& a) {
    validate_options options;
    options.seed = a.seed;
    options.events = static_cast<long>(a.events);
    if (!a.seeded) {
        std::random_device device;
        options.seed = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                       static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    device_set devices;
    if (!a.devicesFile.empty()) {
        std::string why;
        const load_result read = read_devices_file(a.devicesFile, devices, why);
        if (read != load_result::ok) {
            std::fprintf(stderr, "panel_host: %s\n", why.c_str());
            return read == load_result::unreadable ? validate_outcome::input_unreadable
                                                   : validate_outcome::input_invalid;
        }
        options.declared = &devices;
    }
    panel_values values;
    std::string valuesError;
    values_beside given{a.hintsFile, a.valueScenarios};
    if (given.hintsFile.empty() && given.scenarios.empty() && !a.devicesFile.empty())
        given = panel_values_beside(a.devicesFile); // a project's, as quon_add_panel passes them
    if (const load_result read = read_panel_values(given.hintsFile, given.scenarios, values, valuesError);
        read != load_result::ok) {
        std::fprintf(stderr, "panel_host: %s\n", valuesError.c_str());
        return read == load_result::unreadable ? validate_outcome::input_unreadable : validate_outcome::input_invalid;
    }
    options.values = &values;
    std::printf("panel_host validate %s\nseed %llu (replay: --seed %llu)\n", a.library.c_str(),
                static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(options.seed));
    step_guard_install(static_cast<int>(a.timeout));

    panel_library library;
    std::string error;
    step_guard_enter("check load");
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = library.open(a.library, error);
    const double loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    check_lines lines;
    if (!loaded) {
        lines.print("load", {false, error});
        std::printf("1 check failed\n");
        return validate_outcome::library_not_loaded;
    }
    char took[64];
    std::snprintf(took, sizeof took, "%.2f ms", loadMs);
    lines.print("load", {true, std::string("loaded and found load_quon_client_script in ") + took});
    options.factory = library.factory();

    std::unique_ptr<failure_recorder> recorder;
    if (!a.saveDir.empty()) {
        recorder.reset(
            new failure_recorder({full_path(a.saveDir), worker_journal(), full_path(a.library), a.devicesFile}));
        options.recorder = recorder.get();
    }
    validate_totals totals;
    run_checks(options, totals, lines);
    report_totals(totals, lines);
    if (lines.failed == 0) std::printf("all checks passed\n");
    else std::printf("%zu check%s failed\n", lines.failed, lines.failed == 1 ? "" : "s");
    return lines.failed == 0 ? validate_outcome::all_passed : validate_outcome::checks_failed;
}

} // namespace quon::host
