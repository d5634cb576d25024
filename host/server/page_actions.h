// page_actions: turns one action request from the live page (an endpoint and
// its form fields) into the scenario step that carries it out, in its
// canonical text, or into a clear reason why not. The fields are the step's
// own, in the order its line writes them; their syntax and ranges are the
// scenario parser's, which reads the step. Pure and stateless: what needs the
// panel's state (is the control on the page, is the index on the device) is
// checked later, in the panel's process. The host's own actions (restart,
// step) are described here too: they are no scenario steps, and what they
// act on is the supervisor's.
#ifndef HOST_SERVER_PAGE_ACTIONS_H
#define HOST_SERVER_PAGE_ACTIONS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quon::host {

// The host's own actions: a new panel process; the page after a step of a
// paused scenario (serve --paused).
enum class host_action { none, restart, step };

struct request_outcome {
    bool ok = false;
    std::string step;  // when ok: one scenario step line, e.g. "route 5 3", or the host action's name
    std::string error; // when not ok: why, for the page and the log
    host_action host = host_action::none;
    std::uint64_t to = 0; // step: the step to show (its range is the scenario's)
    std::string script;   // the script of a studio it goes to (field "script"); empty: the first
    bool device = false;  // a step that changes a device (route, gpi, info)
};

// Form fields as the request gave them, duplicates kept so they can be refused.
using request_fields = std::multimap<std::string, std::string>;

// The names of the actions that are scenario steps, each POSTed to /api/ACTION.
const std::vector<std::string>& serve_actions();

// `action` is the last part of the path; unknown actions are refused too.
// A host action's fields are read here as well. Every action takes the
// field "script" besides its own: the script of a studio it goes to.
request_outcome step_for_request(const std::string& action, const request_fields& fields);
// The same from a raw application/x-www-form-urlencoded body, read strictly:
// every pair is NAME=VALUE (the first "=" splits), escapes are two hex
// digits, "+" is a space.
request_outcome step_for_body(const std::string& action, const std::string& body);
bool parse_form(const std::string& body, request_fields& out, std::string& error);

// Longest text a field may carry.
constexpr std::size_t maxFieldText = 4096;

} // namespace quon::host

#endif
