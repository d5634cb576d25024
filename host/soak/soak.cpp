#include "soak/soak.h"

#include "validation/panel_values.h"

#include "scenario/run_setup.h"
#include "soak/measures_text.h"
#include "soak/player.h"
#include "process/process_probe.h"
#include "soak/report.h"
#include "soak/saved_findings.h"
#include "soak/verdict.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

namespace quon::host {

namespace {

std::string rates_text(const traffic_rates& rates) {
    std::string text;
    for (event_kind k : scheduledKinds)
        text += (text.empty() ? "" : ", ") + std::string(event_kind_name(k)) + " " +
                std::to_string(rates.perHour[index_of(k)]) + "/h";
    return text + ", release 150 ms after each press, timers at their periods";
}

std::uint64_t fresh_seed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

// --save-failures: each finding as a scenario; the exit status.
int save(const soak_request& request, const soak_plan& plan, const soak_tally& tally,
         const std::vector<soak_finding>& findings, const soak_faults& faults, int status) {
    std::vector<std::string> files;
    std::string error;
    const soak_save_setup setup{request.saveDir, request.libraries, request.devicesFile, plan.scripts.size() > 1,
                                request.budgetMs};
    if (!save_soak_findings(setup, findings, faults, *plan.stretches, tally, files, error)) {
        std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
        return exitEmulatorFault;
    }
    if (!files.empty())
        std::printf("%zu finding%s saved as scenarios in %s\n", files.size(), files.size() == 1 ? "" : "s",
                    request.saveDir.c_str());
    for (const std::string& f : files) std::printf("  %s\n", f.c_str());
    return status;
}

// Prints the figures and the verdict, writes the report; the exit status.
int conclude(const soak_request& request, const soak_plan& plan, const soak_tally& tally, const soak_faults& faults,
             double seconds) {
    std::printf("played %lld events in %.1f s (%.0f a second), %zu windows of 10 virtual minutes\n",
                static_cast<long long>(tally.events()), seconds, static_cast<double>(tally.events()) / seconds,
                tally.windows().size());
    print_kind_table(tally);
    print_resources(tally, warm_up_windows(tally.windows().size()));
    if (!tally.windows().empty())
        std::printf("resident memory  %lld KiB at the end (host and panel)\nheap measured by %s\n",
                    static_cast<long long>(tally.windows().back().process.residentKiB), process_probe::heap_source());
    const std::vector<soak_finding> findings = judge(tally);
    int failed = 0;
    if (!faults.startFailure.empty()) ++failed, std::printf("FAIL  %s\n", faults.startFailure.c_str());
    if (faults.count > 0) {
        ++failed;
        std::printf("FAIL  the panel made %lld faults the run went on from (as run --strict counts them)\n",
                    static_cast<long long>(faults.count));
        for (const std::string& f : faults.first) std::printf("      %s\n", f.c_str());
    }
    for (const soak_finding& f : findings) ++failed, std::printf("FAIL  %s\n", f.line.c_str());
    int status = failed == 0 ? exitAllHeld : exitExpectationFailed;
    if (!request.saveDir.empty() && plan.stretches) status = save(request, plan, tally, findings, faults, status);
    if (!request.reportDir.empty()) {
        std::string error;
        if (!write_soak_report(request.reportDir, {plan, tally, findings, faults, seconds}, error)) {
            std::fprintf(stderr, "panel_host: --report: %s\n", error.c_str());
            status = exitEmulatorFault;
        } else {
            std::printf("report: %s/index.html and soak.json\n", request.reportDir.c_str());
        }
    }
    if (failed == 0) std::printf("soak clean\n");
    else std::printf("%d finding%s\n", failed, failed == 1 ? "" : "s");
    return status;
}

} // namespace

std::vector<std::string> scenario_properties(const std::string& devicesFile) {
    std::vector<std::string> found;
    for (const std::string& file : panel_values_beside(devicesFile).scenarios) {
        scenario plan;
        std::string error;
        if (load_scenario(file, plan, error) != load_result::ok) continue;
        for (const scenario_step& step : plan.steps)
            if (const auto* p = std::get_if<property_step>(&step.action))
                if (found.size() < 1000 && std::find(found.begin(), found.end(), p->message) == found.end())
                    found.push_back(p->message);
    }
    return found;
}

int run_soak(const soak_request& request) {
    run_request setup;
    setup.libraries = request.libraries;
    setup.library = request.libraries.front();
    setup.devicesFile = request.devicesFile;
    setup.timeout = request.timeout;
    prepared_run run;
    std::string error;
    if (const int status = prepare_run(setup, run, error); status != exitAllHeld) {
        std::fprintf(stderr, "panel_host: %s\n", error.c_str());
        return status;
    }
    soak_plan plan;
    plan.scripts = run.scripts;
    plan.devices = run.options.devices;
    plan.properties = scenario_properties(request.devicesFile);
    plan.rates = request.rates;
    plan.durationMs = request.days * 24 * 3600 * 1000;
    plan.seed = request.seeded ? request.seed : fresh_seed();
    plan.budgetNs = cpu_budget_ns(request.budgetMs);
    soak_stretches stretches;
    if (!request.saveDir.empty()) plan.stretches = &stretches;
    plan.journal = request.journal;
    std::printf("panel_host soak: %lld virtual days, seed %llu (replay: --seed %llu)\nrates: %s\n"
                "property messages: %zu from the scenarios beside the devices file\n"
                "CPU per event measured by %s; budget %.1f ms\n",
                static_cast<long long>(request.days), static_cast<unsigned long long>(plan.seed),
                static_cast<unsigned long long>(plan.seed), rates_text(plan.rates).c_str(), plan.properties.size(),
                thread_cpu_source(), static_cast<double>(plan.budgetNs) / 1e6);
    std::fflush(stdout);

    soak_tally tally(plan.budgetNs);
    soak_faults faults;
    const auto start = std::chrono::steady_clock::now();
    play_soak(plan, tally, faults);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return conclude(request, plan, tally, faults, seconds);
}

} // namespace quon::host
