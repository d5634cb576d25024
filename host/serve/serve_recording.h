// serve_recording: what a live session did, kept as a scenario that "run"
// replays: every step that changed something, followed by an expect-commands
// block of exactly what the panel sent for it (and, for a property message,
// expect-answer with the answer it gave).
#ifndef HOST_SERVE_RECORDING_H
#define HOST_SERVE_RECORDING_H

#include <optional>
#include <string>
#include <vector>

class scenario_recording {
public:
    // `header` becomes comment lines at the top (how to replay it).
    explicit scenario_recording(const std::vector<std::string>& header);

    // One step line as the parser read it, and the commands it caused.
    void add(const std::string& step, const std::vector<std::string>& commands);
    // A property step also checks its answer (nullopt: the null answer).
    void add_property(const std::string& step, const std::vector<std::string>& commands,
                      const std::optional<std::string>& answer);

    const std::string& text() const { return text_; }
    std::size_t steps() const { return steps_; }
    bool write(const std::string& path, std::string& error) const;

private:
    std::string text_;
    std::size_t steps_ = 0;
};

// The expect-commands block for these commands; a command the block cannot
// hold as one line (control characters, outer spaces, a line the parser
// reads otherwise) becomes "..." with a comment saying so.
std::string expect_commands_block(const std::vector<std::string>& commands);

#endif
