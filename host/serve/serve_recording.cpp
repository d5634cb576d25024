#include "serve_recording.h"

#include "serve_request.h"

#include <fstream>

namespace {

bool writable_line(const std::string& line) {
    if (line.empty() || line == "end" || line == "..." || line[0] == '#') return false;
    if (line.front() == ' ' || line.back() == ' ') return false;
    for (unsigned char c : line)
        if (c < 0x20 || c == 0x7f) return false;
    return true;
}

// An answer the expect-answer step can carry: quoted, newlines escaped.
bool writable_answer(const std::string& answer) {
    for (unsigned char c : answer)
        if ((c < 0x20 && c != '\n') || c == 0x7f) return false;
    return true;
}

} // namespace

std::string expect_commands_block(const std::vector<std::string>& commands) {
    if (commands.empty()) return "expect-commands none\n";
    std::string out = "expect-commands\n";
    for (const std::string& c : commands) {
        if (writable_line(c)) out += c + "\n";
        else out += "# a command this format cannot write as a line\n...\n";
    }
    return out + "end\n";
}

scenario_recording::scenario_recording(const std::vector<std::string>& header) {
    for (const std::string& line : header) text_ += "# " + line + "\n";
}

void scenario_recording::add(const std::string& step, const std::vector<std::string>& commands) {
    text_ += "\n" + step + "\n" + expect_commands_block(commands);
    ++steps_;
}

void scenario_recording::add_property(const std::string& step, const std::vector<std::string>& commands,
                                      const std::optional<std::string>& answer) {
    add(step, commands);
    if (!answer) text_ += "expect-answer null\n";
    else if (writable_answer(*answer)) text_ += "expect-answer " + quoted_step_text(*answer) + "\n";
    else text_ += "# the answer has control characters this format cannot write\n";
}

bool scenario_recording::write(const std::string& path, std::string& error) const {
    std::ofstream out(path, std::ios::binary);
    out << text_;
    if (!out.flush()) {
        error = "cannot write the recording to " + path;
        return false;
    }
    return true;
}
