// panel_host: runs a panel script library without a studio. Each subcommand
// is one function in subcommands.h; add new ones to the table below.
#include "subcommands.h"
#include "validate.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {
struct subcommand {
    const char* name;
    int (*main)(const std::vector<std::string>& args);
    const char* summary;
};

const subcommand subcommands[] = {
    {"run", run_main, "run PANEL_LIBRARY SCENARIO [--base PATH] [--svg FILE] [--out DIR] [--timeout S]: "
                      "play a scenario against a panel"},
    {"serve", serve_main, "serve PANEL_LIBRARY [--port N] [--base PATH] [--scenario FILE] [--record FILE.scn]: "
                          "run a panel live in the browser"},
    {"validate", validate_main, "validate PANEL_LIBRARY [--seed N] [--events N] [--timeout S]: "
                                "check what every panel script owes its host"},
};

int usage(std::ostream& out, int code) {
    out << "usage: panel_host COMMAND ...\n";
    for (const subcommand& s : subcommands) out << "  panel_host " << s.summary << "\n";
    return code;
}
} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Plain line feeds, as natively: the conversation is read on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc < 2) return usage(std::cerr, exitUsage);
    const std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") return usage(std::cout, 0);
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const subcommand& s : subcommands)
        if (name == s.name) return s.main(args);
    std::cerr << "panel_host: unknown command " << name << "\n";
    return usage(std::cerr, exitUsage);
}
