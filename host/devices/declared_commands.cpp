#include "devices/declared_commands.h"

#include "base/decimal_number.h"
#include "quon_commands.h"

namespace quon::host {

namespace {

struct effect_row {
    command_effect effect;
    const char* name;
    const char* fields;
};

const effect_row effects[] = {
    {command_effect::route, "route", "NNN"},         {command_effect::gpi, "gpi", "NNN"},
    {command_effect::info, "info", "NNT"},           {command_effect::timer_start, "timer-start", "NN"},
    {command_effect::timer_stop, "timer-stop", "N"}, {command_effect::accept, "accept", "*"},
};

const effect_row& row(command_effect effect) {
    for (const effect_row& r : effects)
        if (r.effect == effect) return r;
    return effects[5];
}

bool capital_code(const std::string& code) {
    if (code.size() < 2 || code.size() > 4) return false;
    for (char c : code)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

} // namespace

const char* effect_fields(command_effect effect) { return row(effect).fields; }
const char* effect_name(command_effect effect) { return row(effect).name; }

bool declarable_code(const std::string& code) { return capital_code(code) && !quon_find_command(code.c_str()); }

bool command_line(const definition_line& line, const std::vector<declared_command>& known, declared_command& out,
                  std::string& why) {
    if (line.words.size() != 3) {
        why = "usage: command CODE route|gpi|info|timer-start|timer-stop|accept";
        return false;
    }
    out.code = line.words[1];
    out.where = line.where;
    if (!capital_code(out.code)) {
        why = "command code \"" + out.code + "\" is not two to four capital letters";
        return false;
    }
    if (quon_find_command(out.code.c_str())) {
        why = "command " + out.code + " is the host's own (" + quon_find_command(out.code.c_str())->operation +
              "); declare only other codes";
        return false;
    }
    for (const declared_command& k : known) {
        if (k.code != out.code) continue;
        why = "command " + out.code + " is declared twice (first at " + k.where + ")";
        return false;
    }
    for (const effect_row& r : effects) {
        if (line.words[2] != r.name) continue;
        out.effect = r.effect;
        return true;
    }
    why = "unknown effect \"" + line.words[2] + "\" (route, gpi, info, timer-start, timer-stop or accept)";
    return false;
}

bool timer_period(const std::string& word, std::int32_t& out, std::string& why) {
    std::int64_t ms = 0;
    if (!read_decimal(word, 1, maxTimerPeriodMs, ms, why)) {
        why = "period " + why + " (milliseconds, up to one day)";
        return false;
    }
    out = static_cast<std::int32_t>(ms);
    return true;
}

bool timer_line(const definition_line& line, const std::vector<declared_timer>& known, declared_timer& out,
                std::string& why) {
    if (line.words.size() != 4 || line.words[2] != "every") {
        why = "usage: timer ID every MS";
        return false;
    }
    out.where = line.where;
    if (!parse_number(line.words[1], out.id)) {
        why = "timer id \"" + line.words[1] + "\" is not a number";
        return false;
    }
    for (const declared_timer& k : known) {
        if (k.id != out.id) continue;
        why = "timer " + line.words[1] + " is declared twice (first at " + k.where + ")";
        return false;
    }
    return timer_period(line.words[3], out.periodMs, why);
}

} // namespace quon::host
