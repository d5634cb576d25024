// "panel_host soak PANEL_LIBRARY... --devices FILE [--days N] [--seed S] [--rate KIND=N/s ...]
// [--budget-ms M] [--save-failures DIR] [--report DIR] [--timeout SECONDS]": plays days of a busy
// studio's traffic in virtual time to the scripts and judges what it cost
// (docs/soak.md). The soak is the work of a guarded process: a panel that
// crashes, hangs or ends it is reported as run reports it. Also run
// --measure's measuring, which is soak's.
#include "commands/subcommands.h"
#include "session/guarded_process.h"
#include "soak/measured_run.h"
#include "soak/saved_findings.h"
#include "soak/soak.h"
#include "soak/verdict.h"
#include "base/utf8_text.h"

#include <memory>

namespace quon::host {

namespace {

// After the step guard's line, which names the stretch: the event itself.
void name_last_event(const crash_journal& journal) {
    crash_journal::event e;
    if (!journal.last(e)) return;
    std::fprintf(stderr, "panel_host: it happened in event %lld at %s (%s)\n", static_cast<long long>(e.number),
                 virtual_time_text(e.atMs).c_str(), printable(e.step.text()).c_str());
}

} // namespace

int play_measured_run(scenario_runner& player, const scenario& plan, std::int64_t budgetMs) {
    return play_measured(player, plan, cpu_budget_ns(budgetMs));
}

void add_soak_command(CLI::App& app, int& exitStatus) {
    auto a = std::make_shared<soak_request>();
    auto rates = std::make_shared<std::vector<std::string>>();
    CLI::App* cmd = app.add_subcommand("soak", "play days of a busy studio's traffic in virtual time and judge "
                                               "the panel's heap, descriptors, threads and CPU per event");
    cmd->add_option("PANEL_LIBRARY...", a->libraries,
                    "the panel libraries, each a path or NAME=PATH, each its own script on the same devices")
        ->required();
    cmd->add_option("--devices", a->devicesFile,
                    "the devices file: its routers, GPIs, information devices and timers make the traffic")
        ->type_name("FILE")
        ->required();
    add_number_option(*cmd, "--days", a->days, 1, 365, "virtual days to play (default 7)");
    add_number_option(*cmd, "--seed", a->seed, UINT64_MAX, "seed of the traffic (default: a new one, printed)")
        ->each([a](const std::string&) { a->seeded = true; })
        ->default_str("");
    cmd->add_option("--rate", *rates,
                    "KIND=N/s, N/min or N/h: the average rate of a kind (route, gpi, info, press, property)")
        ->type_name("KIND=RATE");
    add_number_option(*cmd, "--budget-ms", a->budgetMs, 1, 60000,
                      "CPU milliseconds an event may take (default 16: one frame of a 60 Hz UI thread)");
    add_number_option(*cmd, "--timeout", a->timeout, 0, 86400,
                      "give up when the panel has not returned after SECONDS of its own time in one ten-minute "
                      "stretch of virtual time (default 60; 0: never)")
        ->type_name("SECONDS");
    cmd->add_option("--save-failures", a->saveDir,
                    "write each finding to DIR as a scenario: the stretch of traffic that shows it")
        ->type_name("DIR");
    cmd->add_option("--report", a->reportDir, "write DIR/index.html (pictures) and DIR/soak.json (the figures)")
        ->type_name("DIR");
    cmd->callback([a, rates, &exitStatus] {
        for (const std::string& rate : *rates) {
            std::string why;
            if (!parse_rate(rate, a->rates, why)) {
                std::fprintf(stderr, "panel_host: --rate: %s\n", why.c_str());
                exitStatus = exitUsage;
                return;
            }
        }
        // The worker's last events outlive a panel that ends it.
        crash_journal journal;
        guarded_memory more;
        more.bytes = crash_journal::bytes();
        more.attach = [a, &journal](void* memory) {
            journal.attach(memory);
            a->journal = &journal;
        };
        more.ended = [a, &journal](int status) {
            if (!is_panel_fault(status)) return status;
            name_last_event(journal);
            if (a->saveDir.empty()) return status;
            const soak_save_setup setup{a->saveDir, a->libraries, a->devicesFile, a->libraries.size() > 1};
            return save_soak_crash(setup, journal.read(), status);
        };
        exitStatus = run_guarded([a] { return run_soak(*a); }, 0, more);
        a->journal = nullptr;
    });
}

} // namespace quon::host
