#include "validation/replay.h"

#include "base/exit_status.h"
#include "process/subprocess.h"

#include <algorithm>
#include <chrono>
#include <sstream>

namespace quon::host {

namespace {

bool starts(const std::string& line, const std::string& prefix) { return line.compare(0, prefix.size(), prefix) == 0; }

// The class of a fault line: up to where it names the step (" during ",
// " after ", " before the first step") or, for a conversation's "!" line,
// the command or value (":" or a quote).
std::string kind_of(const std::string& fault, bool stepGuard) {
    std::size_t end = std::string::npos;
    if (stepGuard) {
        for (const char* where : {" during ", " after ", " before the first step"})
            end = std::min(end, fault.find(where));
    } else {
        end = fault.find_first_of(":\"");
    }
    return fault.substr(0, end);
}

const char outstanding[] = "replies never handed back: ";

// Whether a "!" line is of the class a case is about: a run reports other
// problems too (a device the devices file does not declare).
bool about(const std::string& caseKind, const std::string& problem) {
    static const std::pair<const char*, const char*> classes[] = {
        {"malformed-command", "malformed command"},
        {"after-sign-off", "command after the panel signed off"},
        {"reply", "script handed back"},
        {"reply", "script called the host with kind"},
        {"reply", outstanding},
    };
    bool known = false;
    for (const auto& [kind, prefix] : classes) {
        if (caseKind != kind) continue;
        known = true;
        if (starts(problem, prefix)) return true;
    }
    return !known;
}

// A summary's count of replies never handed back, when not 0, as a "!" line.
std::string unanswered(const std::string& line) {
    const std::size_t at = line.find(outstanding);
    if (at == std::string::npos) return "";
    const std::size_t count = at + sizeof outstanding - 1;
    return count < line.size() && line[count] != '0' ? line.substr(at) : "";
}

} // namespace

bool run_can_replay(const saved_case& c) {
    return c.kind != "leak" && (c.kind != "out-of-memory" || c.memoryLimitMb > 0);
}

void fault_line_filter::line(const std::string& text) {
    if ((starts(text, "    ! ") || !unanswered(text).empty()) && kept_.size() < 65536) {
        kept_ += text + "\n";
        copied_ += text.size() + 1;
    }
}

// Each chunk is scanned once from where its last line ended; only a line not
// yet ended is held over, so a chunk of many megabytes (a reader that fell
// behind) costs what its bytes cost, never a move of the rest per line.
void fault_line_filter::take(const std::string& chunk) {
    std::size_t begin = 0;
    for (std::size_t end; (end = chunk.find('\n', begin)) != std::string::npos; begin = end + 1) {
        if (pending_.empty()) {
            line(chunk.substr(begin, end - begin));
            copied_ += end - begin;
        } else {
            pending_.append(chunk, begin, end - begin);
            copied_ += end - begin;
            line(pending_);
            pending_.clear();
        }
    }
    constexpr std::size_t longest = 1u << 20; // a line that long is no fault line: its start is dropped
    const std::size_t rest = chunk.size() - begin;
    if (pending_.size() + rest > longest) pending_.clear();
    pending_.append(chunk, begin, std::min(rest, longest));
    copied_ += std::min(rest, longest);
}

fault_signature classify_run(int status, const std::string& output, const std::string& caseKind) {
    fault_signature s;
    s.status = status;
    std::istringstream lines(output);
    std::string guard, problem;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back(); // Windows' line ends
        if (guard.empty() && starts(line, "panel_host: the panel ")) guard = line.substr(12);
        const std::string p = starts(line, "    ! ") ? line.substr(6) : unanswered(line);
        if (problem.empty() && !p.empty() && about(caseKind, p)) problem = p;
    }
    if ((status == exitPanelCrashed || status == exitPanelHung) && !guard.empty()) {
        s.fault = guard;
        s.kind = kind_of(guard, true);
    } else if (status == exitExpectationFailed && !problem.empty()) {
        s.fault = problem;
        s.kind = kind_of(problem, false);
    }
    return s;
}

fault_signature replay_case(const replay_setup& setup, const std::string& file, const saved_case& c) {
    std::vector<std::string> args{setup.program, "run",       setup.library,
                                  file,          "--timeout", std::to_string(setup.timeout)};
    if (c.memoryLimitMb > 0) args.insert(args.end(), {"--memory-limit", std::to_string(c.memoryLimitMb)});
    if (c.strict) args.push_back("--strict");
    child_process child;
    std::string error;
    if (!child.start(args, error)) return {exitEmulatorFault, error, "the replay could not start"};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(setup.timeout + setup.grace);
    // Only the fault lines matter: the conversation is read and dropped line by line.
    fault_line_filter filter;
    std::string received;
    for (;;) {
        const child_process::wait_result r = child.receive(received, until);
        filter.take(received);
        received.clear();
        if (r == child_process::wait_result::ended) break;
        // A run that writes without pause never lets receive time out: the deadline is checked here too.
        if (r == child_process::wait_result::timeout || std::chrono::steady_clock::now() >= until) {
            child.kill();
            return {exitPanelHung, "the replay did not end in time", "the replay did not end in time"};
        }
    }
    child.wait(until);
    return classify_run(child.exit_status(), filter.kept() + child.errors(), c.kind);
}

} // namespace quon::host
