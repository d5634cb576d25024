// fields: the fields of one scenario line after its keyword, taken
// one at a time by the step's parsing function. Each taker names the field
// in its message when the line does not have it or it is malformed.
#ifndef HOST_SCENARIO_FIELDS_H
#define HOST_SCENARIO_FIELDS_H

#include "scenario/format.h"

#include <cstdint>
#include <string>

namespace quon::host {

class step_fields {
public:
    explicit step_fields(std::string rest) : rest_(std::move(rest)) {}

    // The next word (a run of bytes without spaces or tabs).
    bool word(const char* name, std::string& out);
    // The next word as a 32-bit decimal number.
    bool number(const char* name, std::int32_t& out);
    // Converts a word already taken.
    bool number_of(const char* name, const std::string& word, std::int32_t& out);
    // All that is left of the line, as free text: as written, or between
    // double quotes to keep outer spaces or write an empty text (\" \\ \n).
    bool text(const char* name, std::string& out);
    // What is left of the line, trimmed, without taking it.
    const std::string& rest() const { return rest_; }
    // True when no field is left; otherwise says so.
    bool end();

    std::string why;         // the reason of the last failure
    bool opensBlock = false; // set by a step whose lines follow until "end"

private:
    std::string rest_; // trimmed
};

// Spaces that separate fields; a vertical tab or form feed is not one.
extern const char scenarioSpaces[];
std::string trim_spaces(const std::string& s);

// One function per kind of step; each fills its step from the fields.
using step_parser = bool (*)(step_fields& fields, step_action& out);
struct step_syntax {
    const char* name;
    const char* usage;
    step_parser parse;
};
// In the order of step_action's alternatives.
extern const step_syntax stepSyntax[];
const step_syntax* find_step_syntax(const std::string& keyword);

} // namespace quon::host

#endif
