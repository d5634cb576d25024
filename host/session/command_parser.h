// command_parser: reads one command text that a script sends with kind 0 into
// its code and fields, checking it against the field layout of that code:
// the command table's (quon_commands.h) or, for a code the devices file
// declares, its effect's. The host reads every text with this parser of its
// own, never trusting the script's formatting. Malformed texts are not
// executed; the error says why.
#ifndef HOST_SESSION_COMMAND_PARSER_H
#define HOST_SESSION_COMMAND_PARSER_H

#include "devices/declared_commands.h"
#include "quon_commands.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

struct host_command {
    std::string code;                    // upper-case letters, e.g. "TP"
    const quon_command* known = nullptr; // the table's row; null for a declared command
    std::vector<std::string> texts;      // the text fields, apostrophes removed, in order
    std::vector<std::int32_t> numbers;   // the number fields, in order
    bool add = false;                    // register commands: the 'ADD' field was given
};

struct parsed_command {
    bool ok = false;
    host_command command;
    std::string error; // when not ok: why the text was rejected
};

// Parses one command text; null is reported as an error too. `declared`
// adds the devices file's commands to the table's.
parsed_command parse_command(const char* text, const std::vector<declared_command>& declared = {});

} // namespace quon::host

#endif
