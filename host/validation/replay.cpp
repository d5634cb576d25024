#include "validation/replay.h"

#include "base/exit_status.h"
#include "process/subprocess.h"

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

fault_signature replay_case(const replay_setup& setup, const std::string& file, bool strict,
                            const std::string& caseKind) {
    std::vector<std::string> args{setup.program, "run",       setup.library,
                                  file,          "--timeout", std::to_string(setup.timeout)};
    if (strict) args.push_back("--strict");
    child_process child;
    std::string error;
    if (!child.start(args, error)) return {exitEmulatorFault, error, "the replay could not start"};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(setup.timeout + 60);
    // Only the fault lines matter: the conversation is read and dropped line by line.
    std::string kept, pending, received;
    for (;;) {
        const child_process::wait_result r = child.receive(received, until);
        pending += received;
        received.clear();
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            if ((starts(pending, "    ! ") || !unanswered(pending.substr(0, end)).empty()) && kept.size() < 65536)
                kept += pending.substr(0, end + 1);
        if (pending.size() > (1u << 20)) pending.clear(); // a line that long is no fault line
        if (r == child_process::wait_result::ended) break;
        if (r == child_process::wait_result::timeout) {
            child.kill();
            return {exitPanelHung, "the replay did not end in time", "the replay did not end in time"};
        }
    }
    child.wait(until);
    return classify_run(child.exit_status(), kept + child.errors(), caseKind);
}

} // namespace quon::host
