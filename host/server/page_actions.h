// page_actions: turns one action request from the live page (an endpoint and
// its form fields) into the scenario step that carries it out, in its
// canonical text, or into a clear reason why not. The fields are the step's
// own, in the order its line writes them; their syntax and ranges are the
// scenario parser's, which reads the step. Pure and stateless: what needs the
// panel's state (is the control on the page, is the index on the device) is
// checked later, in the panel's process.
#ifndef HOST_SERVER_PAGE_ACTIONS_H
#define HOST_SERVER_PAGE_ACTIONS_H

#include <map>
#include <string>
#include <vector>

namespace quon::host {

struct request_outcome {
    bool ok = false;
    std::string step;     // when ok: one scenario step line, e.g. "route 5 3"
    std::string error;    // when not ok: why, for the page and the log
    bool restart = false; // the host's own action (a new panel process), not a step
};

// Form fields as the request gave them, duplicates kept so they can be refused.
using request_fields = std::multimap<std::string, std::string>;

// The action names this server takes, each POSTed to /api/ACTION.
const std::vector<std::string>& serve_actions();

// `action` is the last part of the path; unknown actions are refused too.
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
