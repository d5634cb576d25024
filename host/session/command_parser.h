// command_parser: reads one command text that a script sends with kind 0 into
// its code and fields, checking it against the field layout of that code.
// Malformed texts are not executed; the error says why.
#ifndef HOST_COMMAND_PARSER_H
#define HOST_COMMAND_PARSER_H

#include <cstdint>
#include <string>
#include <vector>

struct host_command {
    std::string code;                 // two upper-case letters, e.g. "TP"
    std::vector<std::string> texts;   // the text fields, apostrophes removed, in order
    std::vector<std::int32_t> numbers; // the number fields, in order
    bool add = false;                 // register commands: the 'ADD' field was given
};

struct parsed_command {
    bool ok = false;
    host_command command;
    std::string error; // when not ok: why the text was rejected
};

// Parses one command text; null is reported as an error too.
parsed_command parse_command(const char* text);

// True for the codes this host knows.
bool is_known_code(const std::string& code);

#endif
