// scenario: a script of steps for this host, read from a line-based text
// file: device changes, events for the panel, expectations and snapshots.
// One step per line, "#" starts a comment line; see the README for the format.
#ifndef HOST_SCENARIO_H
#define HOST_SCENARIO_H

#include <cstdint>
#include <string>
#include <vector>

enum class step_kind {
    start, stop, route, gpi, umd, tally, info, source, property, button, timer, say,
    expect_commands, expect_property, expect_answer, snapshot,
};

struct scenario_step {
    step_kind kind = step_kind::say;
    std::string where;  // "file:line"
    std::string source; // the step's line as written
    std::int32_t number = 0, number2 = 0; // indices, sources, ids
    bool on = false;                      // gpi
    bool null = false;                    // expect-answer null
    std::string text, text2, text3;       // texts, in the order the step names them
    std::vector<std::string> lines;       // expect-commands: expected texts, "..." for any run
};

struct scenario {
    std::vector<scenario_step> steps;
    // True when a "start" step exists; otherwise the panel starts before step 1.
    bool explicitStart = false;
};

// Reads scenario text; `file` names it in messages. On a syntax error returns
// false with "file:line: why" in error.
bool parse_scenario(const std::string& text, const std::string& file, scenario& out, std::string& error);
bool load_scenario(const std::string& path, scenario& out, std::string& error);

const char* step_name(step_kind kind);
// Steps that change nothing and only check or record.
bool is_check(step_kind kind);

#endif
