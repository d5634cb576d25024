// Reading a scenario file: lines, comments, expect-commands blocks, the
// limits on size, and the step table's parsing functions for each line.
#include "scenario/format.h"
#include "scenario/fields.h"
#include "base/utf8_text.h"

#include <filesystem>

namespace quon::host {

namespace {

bool parse_step(const std::string& line, scenario_step& step, bool& opensBlock, std::string& why) {
    const std::size_t e = line.find_first_of(scenarioSpaces);
    const std::string keyword = line.substr(0, e);
    const step_syntax* syntax = find_step_syntax(keyword);
    if (!syntax) {
        why = "unknown step \"" + keyword + "\"";
        return false;
    }
    step_fields fields(e == std::string::npos ? std::string() : trim_spaces(line.substr(e)));
    if (!syntax->parse(fields, step.action)) {
        why = fields.why + " (usage: " + syntax->usage + ")";
        return false;
    }
    opensBlock = fields.opensBlock;
    return true;
}

} // namespace

bool parse_step_line(const std::string& line, const std::string& where, scenario_step& out, std::string& why) {
    bool opensBlock = false;
    out = scenario_step{};
    out.where = where;
    out.source = trim_spaces(line);
    if (out.source.find('\0') != std::string::npos) {
        why = "NUL byte in the line";
        return false;
    }
    if (!parse_step(out.source, out, opensBlock, why)) return false;
    if (!opensBlock) return true;
    why = "an expect-commands block takes lines of its own";
    return false;
}

const char* step_name(const step_action& action) { return stepSyntax[action.index()].name; }

bool is_check(const step_action& action) {
    return std::holds_alternative<expect_commands_step>(action) ||
           std::holds_alternative<expect_property_step>(action) || std::holds_alternative<expect_answer_step>(action) ||
           std::holds_alternative<expect_debug_step>(action) || std::holds_alternative<snapshot_step>(action) ||
           std::holds_alternative<say_step>(action) || std::holds_alternative<script_step>(action);
}

const std::string* named_script(const step_action& action) {
    const std::string* name = nullptr;
    if (const auto* s = std::get_if<script_step>(&action)) name = &s->name;
    else if (const auto* start = std::get_if<start_step>(&action)) name = &start->script;
    else if (const auto* stop = std::get_if<stop_step>(&action)) name = &stop->script;
    else if (const auto* restart = std::get_if<restart_step>(&action)) name = &restart->script;
    return name && !name->empty() ? name : nullptr;
}

bool parse_scenario(const std::string& text, const std::string& file, scenario& out, std::string& error) {
    out = scenario{};
    expect_commands_step* block = nullptr; // a block still reading its lines
    int blockLine = 0;
    const std::size_t bom = byte_order_mark_size(text);
    int lineNo = 0;
    for (std::size_t pos = bom; pos < text.size();) {
        const std::size_t newline = text.find('\n', pos);
        const std::size_t next = newline == std::string::npos ? text.size() : newline + 1;
        ++lineNo;
        const std::string where = file + ":" + std::to_string(lineNo);
        if (next - pos > maxScenarioLineBytes) {
            error = where + ": line longer than " + std::to_string(maxScenarioLineBytes) + " bytes";
            return false;
        }
        const std::string line = trim_spaces(text.substr(pos, next - pos - (newline == std::string::npos ? 0 : 1)));
        pos = next;
        if (line.find('\0') != std::string::npos) {
            error = where + ": NUL byte in the line";
            return false;
        }
        if (line.empty() || line[0] == '#') continue;
        if (block) {
            if (line == "end") block = nullptr;
            else block->lines.push_back(line);
            continue;
        }
        scenario_step step;
        step.where = where;
        step.source = line;
        bool opensBlock = false;
        std::string why;
        if (!parse_step(line, step, opensBlock, why)) {
            error = where + ": " + why;
            return false;
        }
        if (const auto* start = std::get_if<start_step>(&step.action); start && start->script.empty())
            out.explicitStart = true;                          // "start NAME" starts one script again
        if (auto* d = std::get_if<devices_step>(&step.action)) // named from the scenario's folder
            d->file = (std::filesystem::path(file).parent_path() / d->file).lexically_normal().generic_string();
        out.steps.push_back(std::move(step));
        if (opensBlock) {
            block = &std::get<expect_commands_step>(out.steps.back().action);
            blockLine = lineNo;
        }
    }
    if (block) {
        error = file + ":" + std::to_string(blockLine) + ": expect-commands block has no \"end\"";
        return false;
    }
    return true;
}

load_result load_scenario(const std::string& path, scenario& out, std::string& error) {
    return read_input_file(path, "scenario", maxScenarioBytes, error,
                           [&](const std::string& text) { return parse_scenario(text, path, out, error); });
}

} // namespace quon::host
