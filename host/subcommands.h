// subcommands: the commands of the panel_host program, one function each,
// given the arguments after the subcommand's name; each returns the exit code.
#ifndef HOST_SUBCOMMANDS_H
#define HOST_SUBCOMMANDS_H

#include <string>
#include <vector>

// Exit code of a run that could not begin: bad arguments, a library that does
// not load, a scenario that does not parse.
constexpr int exitUsage = 2;

int run_main(const std::vector<std::string>& args);
int serve_main(const std::vector<std::string>& args);

#endif
