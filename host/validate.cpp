// "panel_host validate PANEL_LIBRARY [--seed N] [--events N] [--timeout S]".
// Loads the library, runs every check in turn and prints a line for each:
// PASS or FAIL, the check's name, what it did or what went wrong. The random
// parts come from one seed, printed first; --seed replays a run exactly.
// Exit code 0 when every check passed, 1 when one failed, 3 or 4 when the
// script crashed or hung (the check that was running is named), 2 for bad
// arguments.
#include "validate.h"

#include "panel_library.h"
#include "step_guard.h"
#include "subcommands.h"
#include "validate_checks.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>

namespace {

const char usage[] =
    "usage: panel_host validate PANEL_LIBRARY [--seed N] [--events N] [--timeout SECONDS]\n"
    "  --seed N           seed of the random events and replies (default: a new one, printed)\n"
    "  --events N         random events for the random check (default 20000)\n"
    "  --timeout SECONDS  give up on a check after this long (default 120, 0: never)\n";

int failures = 0;

void line(bool ok, const std::string& name, const std::string& detail) {
    if (!ok) ++failures;
    std::printf("%s  %-14s %s\n", ok ? "PASS" : "FAIL", name.c_str(), detail.c_str());
    std::fflush(stdout); // a crash in the next check must not swallow this line
}

// A protocol finding gathered over all checks: PASS with the count, or FAIL
// with the first few cases.
void findings(const std::string& name, const std::vector<std::string>& found, const std::string& passDetail) {
    if (found.empty()) {
        line(true, name, passDetail);
        return;
    }
    std::string detail = found.front();
    for (std::size_t i = 1; i < found.size(); ++i) detail += "; " + found[i];
    line(false, name, detail);
}

bool parse_number(const std::string& text, unsigned long long& out) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    out = std::strtoull(text.c_str(), &end, 10);
    return *end == '\0';
}

} // namespace

int validate_main(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    validate_options options;
    bool seeded = false;
    unsigned long long timeout = 120;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--seed" || a == "--events" || a == "--timeout") {
            unsigned long long v = 0;
            if (i + 1 >= args.size() || !parse_number(args[i + 1], v)) {
                std::cerr << "panel_host validate: " << a << " needs a number\n" << usage;
                return exitUsage;
            }
            ++i;
            if (a == "--seed") {
                options.seed = v;
                seeded = true;
            } else if (a == "--events") {
                options.events = static_cast<long>(v);
            } else {
                timeout = v;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            std::cerr << "panel_host validate: unknown option " << a << "\n" << usage;
            return exitUsage;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 1 || timeout > 86400) {
        std::cerr << usage;
        return exitUsage;
    }
    if (!seeded) {
        std::random_device device;
        options.seed = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                       static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    std::printf("panel_host validate %s\nseed %llu (replay: --seed %llu)\n", positional[0].c_str(),
                static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(options.seed));
    step_guard_install(static_cast<int>(timeout));

    panel_library library;
    std::string error;
    step_guard_enter("check load");
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = library.open(positional[0], error);
    const double loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!loaded) {
        line(false, "load", error);
        std::printf("1 check failed\n");
        return 1;
    }
    char took[64];
    std::snprintf(took, sizeof took, "%.2f ms", loadMs);
    line(true, "load", std::string("loaded and found load_quon_client_script in ") + took);
    options.factory = library.factory();

    struct check {
        const char* name;
        check_result (*run)(const validate_options&, validate_totals&);
    };
    const check checks[] = {
        {"create", check_create},     {"null host", check_null_host}, {"repeat", check_repeat},
        {"together", check_together}, {"threads", check_threads},     {"kinds", check_kinds},
        {"null records", check_null_records}, {"random", check_random},
        {"controls", check_controls},
    };
    validate_totals totals;
    for (const check& c : checks) {
        step_guard_enter(std::string("check ") + c.name);
        const check_result r = c.run(options, totals);
        line(r.ok, c.name, r.detail);
    }
    step_guard_leave();

    findings("results", totals.resultFaults, "every event but a property message was answered with null");
    findings("answers", totals.answerFaults,
             std::to_string(totals.answers) + " property answers, each a block of the script's own, all taken back");
    std::vector<std::string> grammar = totals.malformedFirst;
    findings("commands", grammar,
             std::to_string(totals.commands) + " commands, every one a known code with its fields");
    std::vector<std::string> replies = totals.protocolFaults;
    if (replies.empty() && totals.owedGiven != totals.owedBack)
        replies.push_back(std::to_string(totals.owedGiven - totals.owedBack) + " replies never came back");
    findings("replies", replies,
             std::to_string(totals.owedGiven) + " replies to TG, RN and XI, each handed back once, in time");
    findings("shut-down", totals.shutdownFaults,
             std::to_string(totals.destroyed) + " scripts destroyed with a host, each sending \"AS\" last");

    if (failures == 0) std::printf("all checks passed\n");
    else std::printf("%d check%s failed\n", failures, failures == 1 ? "" : "s");
    return failures == 0 ? 0 : 1;
}
