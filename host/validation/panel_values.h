// panel_values: the names and values a panel cares about, which events made
// blind seldom hit: the property names and values, the controls and their
// events that its own scenarios play, and those of an optional hints file
// (docs/formats.md, "Hints file"):
//
//   property NAME [VALUE...]      a property message NAME=VALUE the panel reads
//   control PANEL ID [EVENT...]   a control the panel handles and events it takes
//   value VALUE...                values worth trying with any property or event
//
// validate's random and controls checks draw from them; what the lists hold
// is bounded, so that a large file cannot make a check endless.
#ifndef HOST_VALIDATION_PANEL_VALUES_H
#define HOST_VALIDATION_PANEL_VALUES_H

#include "base/input_file.h"

#include <string>
#include <vector>

namespace quon::host {

struct panel_values {
    static constexpr std::size_t maxEntries = 256; // of each list
    static constexpr std::size_t maxHintsBytes = 1u << 20;

    struct property {
        std::string name;
        std::vector<std::string> values;
    };
    struct control {
        std::string panel, id;
        std::vector<std::string> events;
    };
    std::vector<property> properties;
    std::vector<control> controls;
    std::vector<std::string> values; // for any property or event

    // Adds what is not there yet, within the bounds.
    void add_property(const std::string& name, const std::string* value);
    void add_control(const std::string& panel, const std::string& id, const std::string* event);
    void add_value(const std::string& value);
    bool empty() const { return properties.empty() && controls.empty() && values.empty(); }
};

// The values a property is tried with by the controls check: its own, the
// common ones, then the small numbers -2 to 20 (a scenario names one count,
// the panel compares with others).
std::vector<std::string> values_to_try(const panel_values& v, const panel_values::property& p);

// A hints file's text; `file` names it in "file:line: why" errors.
bool parse_hints(const std::string& text, const std::string& file, panel_values& out, std::string& error);
load_result read_hints_file(const std::string& path, panel_values& out, std::string& error);
// What a scenario's property and button steps name, read with the scenario parser.
load_result read_scenario_values(const std::string& path, panel_values& out, std::string& error);
// What a project keeps beside its devices file: the hints file of the same
// name (NAME.hints beside NAME.devices) and the scenarios in scenarios/
// beside it, in name order; each only when it is there.
struct values_beside {
    std::string hintsFile;
    std::vector<std::string> scenarios;
};
values_beside panel_values_beside(const std::string& devicesFile);
// validate --hints and --scenario: all of them (either may be empty).
load_result read_panel_values(const std::string& hintsFile, const std::vector<std::string>& scenarios,
                              panel_values& out, std::string& error);

} // namespace quon::host

#endif
