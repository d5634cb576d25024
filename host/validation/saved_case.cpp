#include "validation/saved_case.h"

#include "base/utf8_text.h"
#include "base/private_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

const char timeoutOption[] = " --timeout ";
const char memoryOption[] = " --memory-limit ";

int option_value(const std::string& command, const char* option) {
    const std::size_t at = command.rfind(option);
    return at == std::string::npos ? 0 : std::atoi(command.c_str() + at + std::strlen(option));
}
const char measureOption[] = " --measure";
const char budgetOption[] = " --budget-ms ";
} // namespace

// --strict comes last: read_case finds it at the end.
std::string replay_command(const saved_case& c, const std::string& library, const std::string& file) {
    return "panel_host run " + library + " " + file + (c.timeout > 0 ? timeoutOption + std::to_string(c.timeout) : "") +
           (c.memoryLimitMb > 0 ? memoryOption + std::to_string(c.memoryLimitMb) : "") +
           (c.measure ? measureOption : "") + (c.budgetMs > 0 ? budgetOption + std::to_string(c.budgetMs) : "") +
           (c.strict ? " --strict" : "");
}

std::string case_text(const saved_case& c, const std::string& library, const std::string& file) {
    std::string text = "# " + printable(c.finder + checkLine + "\"" + c.check + "\" (" + c.kind + ")") + "\n";
    text += faultLine + printable(c.fault) + "\n";
    text += replayLine + printable(replay_command(c, library, file)) + "\n";
    for (const std::string& note : c.notes) text += noteLine + printable(note) + "\n";
    if (!c.devicesStep.empty()) text += c.devicesStep + "\n";
    for (const std::string& step : c.steps) text += step + "\n";
    return text;
}

bool write_saved_case(const saved_case& c, const std::string& library, const std::string& file) {
    std::string error;
    if (write_file_privately(file, case_text(c, library, file), error)) return true;
    std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
    return false;
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
            out.timeout = option_value(rest, timeoutOption);
            out.memoryLimitMb = option_value(rest, memoryOption);
            out.measure = rest.find(measureOption) != std::string::npos;
            out.budgetMs = option_value(rest, budgetOption);
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

std::string reserve_case_file(const std::string& dir, const saved_case& c, std::string& error) {
    std::string stem = c.check + "-" + c.kind;
    for (char& ch : stem)
        if (ch == ' ') ch = '-';
    for (unsigned long long n = 1;; ++n) {
        const std::string name = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".scn";
        const std::string path = (std::filesystem::path(dir) / name).string();
        std::error_code ignored;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) continue;
        const native_file fd = create_private_file(path, error);
        if (fd != noFile) {
            close_file(fd);
            return path;
        }
        // Made by someone else since the look: the next name; any other failure is the answer.
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) return "";
    }
}

} // namespace quon::host
