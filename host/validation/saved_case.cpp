#include "validation/saved_case.h"

#include <filesystem>
#include <sstream>

namespace quon::host {

namespace {
const char checkLine[] = " found this fault in check "; // after "# " and the finder
const char faultLine[] = "# fault: ";
const char replayLine[] = "# replay: ";
const char noteLine[] = "# note: ";

bool starts(const std::string& line, const char* prefix, std::string& rest) {
    const std::string p(prefix);
    if (line.compare(0, p.size(), p) != 0) return false;
    rest = line.substr(p.size());
    return true;
}

// One line of a comment: line ends would end it.
std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}
} // namespace

std::string replay_command(const saved_case& c, const std::string& library, const std::string& file) {
    return "panel_host run " + library + " " + file + (c.strict ? " --strict" : "");
}

std::string case_text(const saved_case& c, const std::string& library, const std::string& file) {
    std::string text = "# " + one_line(c.finder + checkLine + "\"" + c.check + "\" (" + c.kind + ")") + "\n";
    text += faultLine + one_line(c.fault) + "\n";
    text += replayLine + one_line(replay_command(c, library, file)) + "\n";
    for (const std::string& note : c.notes) text += noteLine + one_line(note) + "\n";
    if (!c.devicesStep.empty()) text += c.devicesStep + "\n";
    for (const std::string& step : c.steps) text += step + "\n";
    return text;
}

bool read_case(const std::string& text, saved_case& out) {
    out = saved_case{};
    std::istringstream lines(text);
    std::string line, rest;
    bool header = false;
    while (std::getline(lines, line)) {
        if (starts(line, faultLine, rest)) {
            out.fault = rest;
        } else if (starts(line, replayLine, rest)) {
            out.strict = rest.size() >= 9 && rest.compare(rest.size() - 9, 9, " --strict") == 0;
        } else if (starts(line, noteLine, rest)) {
            out.notes.push_back(rest);
        } else if (line.compare(0, 8, "devices ") == 0 && out.steps.empty()) {
            out.devicesStep = line;
        } else if (const std::size_t found = line.find(checkLine); starts(line, "# ", rest) && found != line.npos) {
            rest = line.substr(found + sizeof checkLine - 1);
            const std::size_t open = rest.rfind(" (");
            if (rest.size() < 4 || open == std::string::npos || rest.back() != ')') return false;
            out.finder = line.substr(2, found - 2);
            out.check = rest.substr(1, open - 2);
            out.kind = rest.substr(open + 2, rest.size() - open - 3);
            header = true;
        } else if (!line.empty() && line[0] != '#') {
            out.steps.push_back(line);
        }
    }
    return header;
}

std::string case_file_name(const std::string& dir, const saved_case& c) {
    std::string stem = c.check + "-" + c.kind;
    for (char& ch : stem)
        if (ch == ' ') ch = '-';
    std::error_code ignored;
    for (int n = 1;; ++n) {
        const std::string name = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".scn";
        const std::filesystem::path path = std::filesystem::path(dir) / name;
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, ignored)) || n == 1000) return path.string();
    }
}

} // namespace quon::host
