#include "scenario.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

struct step_syntax {
    step_kind kind;
    const char* name;
    const char* usage;
};

const step_syntax syntax[] = {
    {step_kind::start, "start", "start"},
    {step_kind::stop, "stop", "stop"},
    {step_kind::route, "route", "route DESTINATION SOURCE|park"},
    {step_kind::gpi, "gpi", "gpi INPUT on|off"},
    {step_kind::umd, "umd", "umd DISPLAY TEXT"},
    {step_kind::tally, "tally", "tally DISPLAY STATE"},
    {step_kind::info, "info", "info SLOT TEXT"},
    {step_kind::source, "source", "source SOURCE PICTURE"},
    {step_kind::property, "property", "property MESSAGE"},
    {step_kind::button, "button", "button PANEL CONTROL EVENT[=VALUE]"},
    {step_kind::timer, "timer", "timer ID"},
    {step_kind::say, "say", "say TEXT"},
    {step_kind::expect_commands, "expect-commands", "expect-commands [none], then one command per line and \"end\""},
    {step_kind::expect_property, "expect-property", "expect-property [PANEL/]CONTROL PROPERTY VALUE"},
    {step_kind::expect_answer, "expect-answer", "expect-answer TEXT|null"},
    {step_kind::snapshot, "snapshot", "snapshot FILE.svg"},
};

const char* spaces = " \t\r";

std::string trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(spaces);
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(spaces) - b + 1);
}

// Splits off `count` words; `rest` is what follows them, trimmed.
std::vector<std::string> words(const std::string& line, std::size_t count, std::string& rest) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (out.size() < count) {
        const std::size_t b = line.find_first_not_of(spaces, pos);
        if (b == std::string::npos) {
            pos = line.size();
            break;
        }
        const std::size_t e = line.find_first_of(spaces, b);
        out.push_back(line.substr(b, e == std::string::npos ? std::string::npos : e - b));
        pos = e == std::string::npos ? line.size() : e;
    }
    rest = trim(line.substr(pos));
    return out;
}

// A free text: as written, or between double quotes to keep outer spaces or
// to write an empty text; inside quotes \" \\ and \n are escapes.
bool free_text(const std::string& raw, std::string& out, std::string& why) {
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') {
        out = raw;
        return true;
    }
    out.clear();
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out += raw[i];
            continue;
        }
        if (i + 2 >= raw.size()) {
            why = "a backslash ends the quoted text";
            return false;
        }
        const char c = raw[++i];
        if (c == 'n') out += '\n';
        else if (c == '"' || c == '\\') out += c;
        else {
            why = std::string("unknown escape \\") + c;
            return false;
        }
    }
    return true;
}

bool number(const std::string& word, const char* what, std::int32_t& out, std::string& why) {
    errno = 0;
    char* end = nullptr;
    const long long v = word.empty() ? 0 : std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) {
        why = std::string(what) + " \"" + word + "\" is not a number";
        return false;
    }
    out = static_cast<std::int32_t>(v);
    return true;
}

// Reads one step from its line; expect-commands blocks are finished by the caller.
bool parse_step(const std::string& line, scenario_step& step, std::string& why) {
    std::string rest;
    const std::string keyword = words(line, 1, rest).front();
    const step_syntax* s = nullptr;
    for (const step_syntax& candidate : syntax)
        if (keyword == candidate.name) s = &candidate;
    if (!s) {
        why = "unknown step \"" + keyword + "\"";
        return false;
    }
    step.kind = s->kind;
    const std::string usage = std::string(" (usage: ") + s->usage + ")";
    std::string tail;
    std::vector<std::string> w;
    auto need = [&](std::size_t n, bool restWanted) {
        w = words(rest, n, tail);
        if (w.size() < n || (restWanted && tail.empty()) || (!restWanted && !tail.empty())) {
            why = std::string(restWanted || w.size() < n ? "missing" : "unexpected") + " fields" + usage;
            return false;
        }
        return true;
    };
    switch (s->kind) {
    case step_kind::start:
    case step_kind::stop:
        return need(0, false);
    case step_kind::route:
        if (!need(2, false) || !number(w[0], "destination", step.number, why)) return false;
        if (w[1] == "park") return true; // source 0: nothing routed
        return number(w[1], "source", step.number2, why);
    case step_kind::gpi:
        if (!need(2, false) || !number(w[0], "input", step.number, why)) return false;
        if (w[1] != "on" && w[1] != "off") {
            why = "GPI state \"" + w[1] + "\" is neither on nor off";
            return false;
        }
        step.on = w[1] == "on";
        return true;
    case step_kind::umd:
    case step_kind::info:
    case step_kind::source:
        if (!need(1, true) || !number(w[0], "index", step.number, why)) return false;
        return free_text(tail, step.text, why);
    case step_kind::tally:
        if (!need(2, false) || !number(w[0], "display", step.number, why)) return false;
        step.text = w[1]; // sent as the slot's text, unchecked: a bad state is a test case too
        return true;
    case step_kind::property:
    case step_kind::say:
        if (rest.empty()) {
            why = "missing text" + usage;
            return false;
        }
        return free_text(rest, step.text, why);
    case step_kind::button:
        if (!need(2, true)) return false;
        step.text = w[0];
        step.text2 = w[1];
        return free_text(tail, step.text3, why);
    case step_kind::timer:
        return need(1, false) && number(w[0], "timer id", step.number, why);
    case step_kind::expect_commands:
        if (rest.empty()) return true; // a block follows
        if (rest == "none") {
            step.number = 1; // complete: no block
            return true;
        }
        why = "expect-commands takes \"none\" or a block" + usage;
        return false;
    case step_kind::expect_property:
        if (!need(2, true)) return false;
        step.text = w[0];
        step.text2 = w[1];
        return free_text(tail, step.text3, why);
    case step_kind::expect_answer:
        if (rest.empty()) {
            why = "missing answer" + usage;
            return false;
        }
        step.null = rest == "null";
        return step.null || free_text(rest, step.text, why);
    case step_kind::snapshot:
        if (!need(1, false)) return false;
        step.text = w[0];
        return true;
    }
    return false;
}

} // namespace

const char* step_name(step_kind kind) {
    for (const step_syntax& s : syntax)
        if (s.kind == kind) return s.name;
    return "?";
}

bool is_check(step_kind kind) {
    return kind == step_kind::expect_commands || kind == step_kind::expect_property ||
           kind == step_kind::expect_answer || kind == step_kind::snapshot || kind == step_kind::say;
}

bool parse_scenario(const std::string& text, const std::string& file, scenario& out, std::string& error) {
    out = scenario{};
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    scenario_step* block = nullptr; // an expect-commands step still reading its lines
    int blockLine = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = trim(raw);
        const std::string where = file + ":" + std::to_string(lineNo);
        if (line.empty() || line[0] == '#') continue;
        if (block) {
            if (line == "end") block = nullptr;
            else block->lines.push_back(line);
            continue;
        }
        scenario_step step;
        step.where = where;
        step.source = line;
        std::string why;
        if (!parse_step(line, step, why)) {
            error = where + ": " + why;
            return false;
        }
        if (step.kind == step_kind::start) out.explicitStart = true;
        const bool opensBlock = step.kind == step_kind::expect_commands && step.number == 0;
        out.steps.push_back(step);
        if (opensBlock) {
            block = &out.steps.back();
            blockLine = lineNo;
        }
    }
    if (block) {
        error = file + ":" + std::to_string(blockLine) + ": expect-commands block has no \"end\"";
        return false;
    }
    return true;
}

bool load_scenario(const std::string& path, scenario& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read scenario " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse_scenario(text.str(), path, out, error);
}
