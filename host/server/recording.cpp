#include "server/recording.h"

#include "scenario/format.h"

#include "base/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace quon::host {

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

void scenario_recording::add_result(const live_result& r) {
    if (!r.recorded) return;
    if (holding_ && !r.unchecked && !held_step()) {
        held_.push_back({r, speaker_, "", true, true});
        return;
    }
    if (r.unchecked) add_unchecked(r.step);
    else if (r.property) add_property(r.step, r.commands, r.answer);
    else add(r.step, r.commands);
}

void scenario_recording::add(const std::string& step, const std::vector<std::string>& commands) {
    commit("\n" + step + "\n" + expect_commands_block(commands));
}

void scenario_recording::add_property(const std::string& step, const std::vector<std::string>& commands,
                                      const std::optional<std::string>& answer) {
    std::string entry = "\n" + step + "\n" + expect_commands_block(commands);
    if (!answer) entry += "expect-answer null\n";
    else if (writable_answer(*answer)) entry += "expect-answer " + quote_step_text(*answer) + "\n";
    else entry += "# the answer has control characters this format cannot write\n";
    commit(entry);
}

void scenario_recording::comment(const std::string& text) {
    std::string line;
    for (char c : text) line += c == '\n' || c == '\r' ? ' ' : c;
    commit("\n# " + line + "\n", false, false);
}

void scenario_recording::add_unchecked(const std::string& step) { commit("\n" + step + "\n", false, true); }

void scenario_recording::add_to_held(const std::string& script, const std::vector<std::string>& commands) {
    held_entry* step = held_step();
    if (step && step->speaker == script)
        step->result->commands.insert(step->result->commands.end(), commands.begin(), commands.end());
}

scenario_recording::held_entry* scenario_recording::held_step() {
    for (held_entry& e : held_)
        if (e.result) return &e;
    return nullptr;
}

void scenario_recording::release() {
    holding_ = false;
    const std::string speaker = speaker_;
    std::vector<held_entry> held = std::move(held_);
    held_.clear();
    for (const held_entry& e : held) {
        speaker_ = e.speaker;
        if (e.result) add_result(*e.result);
        else commit(e.text, e.step, e.scripted);
    }
    speaker_ = speaker;
}

void scenario_recording::commit(const std::string& text, bool step, bool scripted) {
    if (holding_) {
        held_.push_back({std::nullopt, speaker_, text, step, scripted});
        return;
    }
    std::string entry = text;
    if ((step || scripted) && speaker_ != spoken_) {
        entry = "\nscript " + speaker_ + "\n" + entry;
        spoken_ = speaker_;
    }
    text_ += entry;
    steps_ += step ? 1 : 0;
    if (!file_ || !failure_.empty()) return;
    // One write and a flush per step: the file always ends after a whole step.
    if (std::fwrite(entry.data(), 1, entry.size(), file_.get()) != entry.size() || std::fflush(file_.get()) != 0)
        failure_ = "cannot write the recording to " + path_ + ": " + std::strerror(errno);
}

bool scenario_recording::open(const std::string& path, std::string& error) {
    if (!make_directories(std::filesystem::path(path).parent_path().string(), error)) return false;
    path_ = path;
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_ || std::fwrite(text_.data(), 1, text_.size(), file_.get()) != text_.size() ||
        std::fflush(file_.get()) != 0) {
        error = "cannot write the recording to " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace quon::host
