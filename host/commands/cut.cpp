// "panel_host cut PANEL_LIBRARY CASE [--timeout S]".
// Cuts a saved case (a file validate --save-failures or a panel's fuzz
// target wrote) in place, as validate cuts the cases it saves: the fewest
// steps that still give the same fault. Exit status 0 when the fault
// recurred and the case is cut, 1 when "run" does not reproduce it (the case
// is left whole, its note says so), 2 when the file is no saved case (or no
// scenario at all), 5 when
// it could not be read or written.
#include "base/exit_status.h"
#include "base/output_file.h"
#include "base/utf8_text.h"
#include "commands/subcommands.h"
#include "validation/cut_case.h"

#include <cstdio>
#include <memory>

namespace quon::host {

namespace {

struct cut_request {
    std::string library, file;
    std::int64_t timeout = 10;
};

int cut_case_file(const cut_request& r) {
    std::string replay;
    switch (cut_saved_case(full_path(r.library), full_path(r.file), static_cast<int>(r.timeout), replay)) {
    case cut_outcome::cut:
        std::printf("%s: cut; replay it with \"%s\"\n", r.file.c_str(), printable(replay).c_str());
        return exitAllHeld;
    case cut_outcome::not_reproduced:
        std::printf("%s: \"panel_host run\" does not reproduce its fault; left whole\n", r.file.c_str());
        return exitExpectationFailed;
    case cut_outcome::not_a_scenario:
        std::fprintf(stderr, "panel_host: %s is not a scenario (it is not text)\n", r.file.c_str());
        return exitUsage;
    case cut_outcome::not_a_case:
        std::fprintf(stderr, "panel_host: %s is no saved case (its first lines name no fault)\n", r.file.c_str());
        return exitUsage;
    case cut_outcome::unreadable:
    case cut_outcome::not_written:
        break;
    }
    return exitEmulatorFault;
}

} // namespace

void add_cut_command(CLI::App& app, int& exitStatus) {
    auto a = std::make_shared<cut_request>();
    CLI::App* cmd = app.add_subcommand("cut", "cut a saved fault case down to the fewest steps that still give it");
    add_library_argument(*cmd, a->library);
    cmd->add_option("CASE", a->file, "the case: a scenario written by validate --save-failures or a fuzz target")
        ->required();
    add_number_option(*cmd, "--timeout", a->timeout, 1, 86400, "a candidate that runs longer has hung")
        ->type_name("SECONDS");
    cmd->callback([a, &exitStatus] { exitStatus = cut_case_file(*a); });
}

} // namespace quon::host
