// subcommands: the commands of the panel_host program. Each registers itself
// on the program's command line (its options, its help, the function that
// runs it) and, when it runs, stores its exit status in `exitStatus`.
#ifndef HOST_COMMANDS_SUBCOMMANDS_H
#define HOST_COMMANDS_SUBCOMMANDS_H

#include "base/exit_status.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

namespace quon::host {

void add_cut_command(CLI::App& app, int& exitStatus);
void add_run_command(CLI::App& app, int& exitStatus);
void add_serve_command(CLI::App& app, int& exitStatus);
void add_soak_command(CLI::App& app, int& exitStatus);
void add_validate_command(CLI::App& app, int& exitStatus);

class scenario_runner;
struct scenario;
// run --measure: plays the scenario measured as a soak measures
// (soak/measured_run.h); in a build without soak, a refusal (exitUsage).
int play_measured_run(scenario_runner& player, const scenario& plan, std::int64_t budgetMs);

// The help's look, set on the program before its subcommands, which take it.
void use_help_formatter(CLI::App& app);

// The positional PANEL_LIBRARY argument, required.
CLI::Option* add_library_argument(CLI::App& app, std::string& target);

// An option taking a plain decimal number within [min, max]; anything else
// fails the command line with a message naming the option.
CLI::Option* add_number_option(CLI::App& app, const std::string& name, std::int64_t& target, std::int64_t min,
                               std::int64_t max, const std::string& description);
CLI::Option* add_number_option(CLI::App& app, const std::string& name, std::uint64_t& target, std::uint64_t max,
                               const std::string& description);

} // namespace quon::host

#endif
