// declared_commands: what a panel author knows of their own host beyond the
// command table (quon_commands.h), declared in the devices file and played by
// this host:
//
//   command XQ route        # XQ ROUTER DESTINATION SOURCE: sets a crosspoint (0 parks)
//   command XG gpi          # XG DEVICE INPUT STATE: 0 off, other on
//   command XW info         # XW DEVICE SLOT 'TEXT'
//   command XT timer-start  # XT ID PERIOD_MS: (re)starts a timer
//   command XS timer-stop   # XS ID
//   command XA accept       # any fields, no effect: logged and counted
//   timer 3 every 500       # a timer the host runs from the panel's start
//
// A code is two to four capital letters that the table does not hold.
#ifndef HOST_DEVICES_DECLARED_COMMANDS_H
#define HOST_DEVICES_DECLARED_COMMANDS_H

#include "base/definition_lines.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

enum class command_effect { route, gpi, info, timer_start, timer_stop, accept };

struct declared_command {
    std::string code;
    command_effect effect = command_effect::accept;
    std::string where; // "file:line" of its declaration
};

struct declared_timer {
    std::int32_t id = 0;
    std::int32_t periodMs = 0;
    std::string where;
};

// A timer's period lies within 1 ms and one day.
constexpr std::int32_t maxTimerPeriodMs = 24 * 60 * 60 * 1000;

// The fields a command with this effect carries, in the table's letters
// (quon_commands.h), or "*" for any fields.
const char* effect_fields(command_effect effect);
const char* effect_name(command_effect effect);

// Reads a "command CODE EFFECT" line into `out`, refusing a code of the
// table or one already in `known`; false with why.
bool command_line(const definition_line& line, const std::vector<declared_command>& known, declared_command& out,
                  std::string& why);
// Reads a "timer ID every MS" line, refusing an id already in `known`.
bool timer_line(const definition_line& line, const std::vector<declared_timer>& known, declared_timer& out,
                std::string& why);
// Whether a devices file may declare `code`: two to four capital letters
// that the command table does not hold.
bool declarable_code(const std::string& code);
// A period in milliseconds, as a field of a line or a command: 1 to one day.
bool timer_period(const std::string& word, std::int32_t& out, std::string& why);

} // namespace quon::host

#endif
