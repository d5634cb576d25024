// "panel_host run PANEL_LIBRARY SCENARIO [options]": plays a scenario against
// a panel library and prints the conversation and the summary.
#include "panel_library.h"
#include "scenario.h"
#include "scenario_runner.h"
#include "step_guard.h"
#include "subcommands.h"

#include <cstdlib>
#include <iostream>

namespace {
const char usage[] =
    "usage: panel_host run PANEL_LIBRARY SCENARIO [--base PATH] [--svg FILE] [--out DIR] [--timeout SECONDS]\n"
    "                     [--strict]\n"
    "  --base PATH        base path given to the panel's factory (default: kivren)\n"
    "  --svg FILE         write a picture of the page after the last step\n"
    "  --out DIR          directory for snapshot files named by the scenario (default: as written)\n"
    "  --timeout SECONDS  give up on a step after this long (default 60, 0: never)\n"
    "  --strict           malformed commands, other faults of the panel and replies it\n"
    "                     never handed back fail the run as failed expectations do\n";
} // namespace

int run_main(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    run_options options;
    int timeout = 60;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((a == "--base" || a == "--svg" || a == "--out" || a == "--timeout") && !hasValue) {
            std::cerr << "panel_host run: " << a << " needs a value\n" << usage;
            return exitUsage;
        }
        if (a == "--strict") options.strict = true;
        else if (a == "--base") options.basePath = args[++i];
        else if (a == "--svg") options.svgFile = args[++i];
        else if (a == "--out") options.outDir = args[++i];
        else if (a == "--timeout") {
            char* end = nullptr;
            const long v = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || v < 0 || v > 86400) {
                std::cerr << "panel_host run: bad --timeout " << args[i] << "\n";
                return exitUsage;
            }
            timeout = static_cast<int>(v);
        } else if (a.size() > 1 && a[0] == '-') {
            std::cerr << "panel_host run: unknown option " << a << "\n" << usage;
            return exitUsage;
        } else positional.push_back(a);
    }
    if (positional.size() != 2) {
        std::cerr << usage;
        return exitUsage;
    }
    scenario s;
    std::string error;
    if (!load_scenario(positional[1], s, error)) {
        std::cerr << "panel_host: " << error << "\n";
        return exitUsage;
    }
    panel_library library;
    if (!library.open(positional[0], error)) {
        std::cerr << "panel_host: " << error << "\n";
        return exitUsage;
    }
    std::cout << "panel_host: " << positional[0] << " with " << positional[1] << " (" << s.steps.size()
              << " steps)" << std::endl;
    step_guard_install(timeout);
    scenario_runner runner(library.factory(), options, std::cout);
    const int code = runner.run(s);
    step_guard_leave();
    return code;
}
