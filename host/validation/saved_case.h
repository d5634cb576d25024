// saved_case: a fault validate (or a panel's fuzz target) found, as a
// scenario file of its own. The file opens with comments (what found it and
// in which check, the fault, the command
// that replays it, notes), then the steps: a "devices" step naming the
// devices file by its full name when validate played one, then the events
// of the failing script's life that a scenario can say, each written by the
// scenario writer.
#ifndef HOST_VALIDATION_SAVED_CASE_H
#define HOST_VALIDATION_SAVED_CASE_H

#include <string>
#include <vector>

namespace quon::host {

// The kinds of case whose fault is the panel's process ending: a replay
// names it itself, with the line of the step it happened in.
inline constexpr char crashCase[] = "crash", hangCase[] = "hang";
inline bool ends_the_process(const std::string& caseKind) { return caseKind == crashCase || caseKind == hangCase; }

struct saved_case {
    std::string finder = "panel_host validate"; // the program that found it
    std::string check;                          // "controls"
    std::string kind;                           // "crash", "hang", "malformed-command", ...: names the file
    std::string fault;                          // what validate or the replay said
    std::string devicesStep;                    // the "devices" step, or empty
    std::vector<std::string> steps;             // canonical step lines
    std::vector<std::string> notes;             // why it is not all there, how it was cut
    bool strict = false;                        // replayed with --strict: a fault the run goes on from
    int timeout = 0;                            // the replay's --timeout (a hang's), 0: none given
    int memoryLimitMb = 0;                      // the replay's --memory-limit (an out-of-memory's), 0: none
    bool measure = false;                       // replayed with --measure: a soak's growth or slow event
    long long budgetMs = 0;                     // the replay's --budget-ms, 0: none given
};

// The file's text; `library` and `file` go into the replay command. Every
// comment line is escaped (base/utf8_text.h's printable): the fault and the
// notes quote what the panel sent.
std::string case_text(const saved_case& c, const std::string& library, const std::string& file);
// Writes the case to `file` (base/private_file.h); false, with a line
// on standard error, when it cannot.
bool write_saved_case(const saved_case& c, const std::string& library, const std::string& file);
// Reads a file case_text wrote; false when the text is not one.
bool read_case(const std::string& text, saved_case& out);
// The replay command.
std::string replay_command(const saved_case& c, const std::string& library, const std::string& file);
// Makes a new, empty file for the case in `dir`, CHECK-KIND.scn or, when
// that is taken, the first of CHECK-KIND-2.scn, -3 and on that is free, made
// exclusively so that no case is ever written over; its path, or empty with
// why in `error`.
std::string reserve_case_file(const std::string& dir, const saved_case& c, std::string& error);

} // namespace quon::host

#endif
