// recording: what a live session did, kept as a scenario that "run"
// replays: every step that changed something, followed by an expect-commands
// block of exactly what the panel sent for it (and, for a property message,
// expect-answer with the answer it gave). Once opened onto a file, each step
// is written and flushed as it is added, so that a session that ends any way
// at all (killed, the panel crashed or hung) keeps every action carried out.
#ifndef HOST_SERVER_RECORDING_H
#define HOST_SERVER_RECORDING_H

#include "protocol/messages.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {

class scenario_recording {
public:
    // `header` becomes comment lines at the top (how to replay it).
    explicit scenario_recording(const std::vector<std::string>& header);

    // One step line as the parser read it, and the commands it caused.
    void add(const std::string& step, const std::vector<std::string>& commands);
    // A property step also checks its answer (nullopt: the null answer).
    void add_property(const std::string& step, const std::vector<std::string>& commands,
                      const std::optional<std::string>& answer);

    // What the panel's process carried out, as the step that replays it:
    // nothing for a result that changed nothing.
    void add_result(const live_result& result);

    // A studio: the steps added from here on are this script's; a "script"
    // step is written before the first of them when the last steps were
    // another's. Never called for a script alone, whose recording has none.
    void speak_for(const std::string& script) { speaker_ = script; }

    // A studio's action: its step is held until the changes it made have
    // gone round the other scripts, and gets what its script sent meanwhile
    // (as run's expect-commands of the step holds it); what is recorded
    // meanwhile (the others' faults) is kept in order after it. release() writes them.
    void hold() { holding_ = true; }
    // Commands script `script` sent when told of another's change: the held step's if it is that script's.
    void add_to_held(const std::string& script, const std::vector<std::string>& commands);
    void release();

    // A comment line (why the session changed course: a crash, a restart).
    void comment(const std::string& text);
    // A step whose commands are not checked ("stop" of a panel that crashed
    // live: the replay destroys the one it still has); not counted in steps().
    void add_unchecked(const std::string& step);

    const std::string& text() const { return text_; }
    std::size_t steps() const { return steps_; }
    // Creates the file (and its folder) and writes what is recorded so far;
    // false with the system's reason.
    bool open(const std::string& path, std::string& error);
    // Empty unless a write to the file failed: why.
    const std::string& failure() const { return failure_; }

private:
    // `step`: counted in steps(); `scripted`: a step of the script spoken for, though not counted.
    void commit(const std::string& text, bool step = true, bool scripted = true);

    // What is recorded while an action is held, in order; the first result is its step.
    struct held_entry {
        std::optional<live_result> result; // the action's step
        std::string speaker, text;         // else a commit's
        bool step = true, scripted = true;
    };
    held_entry* held_step();

    std::string text_;
    std::size_t steps_ = 0;
    bool holding_ = false;
    std::vector<held_entry> held_;
    std::string speaker_, spoken_; // the script the next steps are of; the one the last "script" step named
    std::string path_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, std::fclose};
    std::string failure_;
};

// The expect-commands block for these commands; a command the block cannot
// hold as one line (control characters, outer spaces, a line the parser
// reads otherwise) becomes "..." with a comment saying so.
std::string expect_commands_block(const std::vector<std::string>& commands);

} // namespace quon::host

#endif
