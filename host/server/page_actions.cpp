#include "server/page_actions.h"

#include "base/decimal_number.h"
#include "scenario/fields.h"
#include "scenario/format.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdint>

namespace quon::host {

namespace {

// How a field is written into the step's line: a word (a number, a name, a
// state) as it is, a text between quotes; an event is a text of one line
// that starts with its name.
enum class field_kind { word, text, event };

struct field_rule {
    const char* name;
    field_kind kind;
};

struct action_rule {
    const char* action;             // the step's keyword
    std::vector<field_rule> fields; // all required, in the order the step writes them
    bool device = false;            // it changes a device, which every script is told of
};

const std::vector<action_rule>& rules() {
    static const std::vector<action_rule> table = {
        {"button", {{"panel", field_kind::word}, {"control", field_kind::word}, {"event", field_kind::event}}},
        {"route", {{"destination", field_kind::word}, {"source", field_kind::word}}, true},
        {"gpi", {{"input", field_kind::word}, {"state", field_kind::word}}, true},
        {"info", {{"slot", field_kind::word}, {"text", field_kind::text}}, true},
        {"property", {{"message", field_kind::text}}},
        {"timer", {{"id", field_kind::word}}},
    };
    return table;
}

// The host's own actions, not the panel's: `field` is the one field a
// host action takes besides "script" (nullptr: none).
struct host_rule {
    const char* action;
    host_action kind;
    const char* field;
};

const host_rule hostRules[] = {
    {"restart", host_action::restart, nullptr},
    {"step", host_action::step, "to"}, // the number of the step whose page to show
};

bool is_control_char(unsigned char c) { return c < 0x20 || c == 0x7f; }

std::string shown(const std::string& value) {
    if (value.size() > 40) return "\"" + value.substr(0, 40) + "...\" (" + std::to_string(value.size()) + " bytes)";
    std::string out = "\"";
    for (unsigned char c : value) out += is_control_char(c) ? '?' : static_cast<char>(c);
    return out + "\"";
}

// What a field can carry from a page into one line of a step: a bounded
// size, no control characters (a line end only in a text), a word without
// spaces, an event with a name. Its syntax as a value is the parser's.
bool check_field(const field_rule& rule, const std::string& v, std::string& why) {
    const std::string name = rule.name;
    const std::size_t limit = rule.kind == field_kind::text ? maxFieldText : 256;
    if (v.size() > limit) {
        why = name + " is " + std::to_string(v.size()) + " bytes long; at most " + std::to_string(limit);
        return false;
    }
    for (unsigned char c : v) {
        if (is_control_char(c) && !(c == '\n' && rule.kind == field_kind::text)) {
            why = name + " " + shown(v) + " contains a control character";
            return false;
        }
    }
    if (rule.kind == field_kind::word && (v.empty() || v.find_first_of(scenarioSpaces) != std::string::npos)) {
        why = name + " " + shown(v) + (v.empty() ? " is empty" : " contains a space");
        return false;
    }
    if (rule.kind == field_kind::event && (v.empty() || v[0] == '=')) {
        why = name + " " + shown(v) + " has no event name";
        return false;
    }
    return true;
}

// The parser names fields as its usage does (DESTINATION); the page as its
// form does (destination). Quoted values are left as they are.
std::string in_page_terms(const std::string& why, const action_rule& rule) {
    std::string out;
    bool quoted = false;
    for (std::size_t at = 0; at < why.size();) {
        if (why[at] == '"') quoted = !quoted;
        const bool mark = std::strchr(" \"|()", why[at]) != nullptr;
        const std::size_t end = quoted || mark ? at + 1 : std::min(why.find_first_of(" \"|()", at), why.size());
        std::string token = why.substr(at, end - at);
        for (const field_rule& f : rule.fields) {
            std::string upper = f.name;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (!quoted && token == upper) token = f.name;
        }
        out += token;
        at = end;
    }
    return out;
}

} // namespace

const std::vector<std::string>& serve_actions() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const action_rule& r : rules()) out.push_back(r.action);
        return out;
    }();
    return names;
}

bool parse_form(const std::string& body, request_fields& out, std::string& error) {
    out.clear();
    if (body.empty()) return true;
    auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    auto decode = [&](const std::string& raw, std::string& text) {
        text.clear();
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '+') text += ' ';
            else if (raw[i] != '%') text += raw[i];
            else if (i + 2 < raw.size() && hex(raw[i + 1]) >= 0 && hex(raw[i + 2]) >= 0) {
                text += static_cast<char>(hex(raw[i + 1]) * 16 + hex(raw[i + 2]));
                i += 2;
            } else {
                error = "malformed body: bad %-escape in " + shown(raw);
                return false;
            }
        }
        return true;
    };
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = std::min(body.find('&', begin), body.size());
        const std::string pair = body.substr(begin, end - begin);
        const std::size_t eq = pair.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "malformed body: " + shown(pair) + " is not a name=value pair";
            return false;
        }
        std::string name, value;
        if (!decode(pair.substr(0, eq), name) || !decode(pair.substr(eq + 1), value)) return false;
        out.emplace(name, value);
        if (end == body.size()) return true;
        begin = end + 1;
    }
}

namespace {

// The first field given that is not one of `names` or is given twice, as a
// refusal; empty when there is none.
std::string stray_field(const std::string& action, const std::vector<std::string>& names,
                        const request_fields& fields) {
    for (const auto& field : fields) {
        if (std::find(names.begin(), names.end(), field.first) == names.end())
            return action + ": unknown field " + shown(field.first);
        if (fields.count(field.first) > 1) return action + ": field " + field.first + " given more than once";
    }
    return "";
}

// The field "script", which every action takes, moved from `fields` into
// `out`; false with why when it is given twice or is no name.
bool take_script(const std::string& action, request_fields& fields, request_outcome& out) {
    const auto given = fields.find("script");
    if (given == fields.end()) return true;
    std::string why;
    if (fields.count("script") > 1) out.error = action + ": field script given more than once";
    else if (!check_field({"script", field_kind::word}, given->second, why)) out.error = action + ": " + why;
    out.script = given->second;
    fields.erase(given);
    return out.error.empty();
}

// A host action with its field, if it takes one: one number.
request_outcome host_request(const host_rule& rule, const std::string& body) {
    request_outcome out;
    out.step = rule.action;
    out.host = rule.kind;
    request_fields fields;
    const std::string action = rule.action;
    if (!parse_form(body, fields, out.error) || !take_script(action, fields, out)) return out;
    const std::vector<std::string> names =
        rule.field ? std::vector<std::string>{rule.field} : std::vector<std::string>{};
    out.error = stray_field(action, names, fields);
    if (out.error.empty() && rule.field && fields.empty()) out.error = action + ": missing field " + rule.field;
    std::string why;
    if (out.error.empty() && rule.field && !read_decimal(fields.begin()->second, 0x7fffffff, out.to, why))
        out.error = action + ": " + rule.field + " " + why;
    out.ok = out.error.empty();
    if (out.ok && rule.field) out.step += " " + std::to_string(out.to);
    return out;
}

} // namespace

request_outcome step_for_body(const std::string& action, const std::string& body) {
    for (const host_rule& rule : hostRules)
        if (action == rule.action) return host_request(rule, body);
    request_fields fields;
    request_outcome out;
    if (!parse_form(body, fields, out.error)) return out;
    return step_for_request(action, fields);
}

request_outcome step_for_request(const std::string& action, const request_fields& given) {
    request_outcome out;
    request_fields fields = given;
    if (!take_script(action, fields, out)) return out;
    const action_rule* rule = nullptr;
    for (const action_rule& r : rules())
        if (action == r.action) rule = &r;
    if (!rule) {
        out.error = "unknown action " + shown(action);
        return out;
    }
    std::vector<std::string> names;
    for (const field_rule& f : rule->fields) names.push_back(f.name);
    out.error = stray_field(action, names, fields);
    if (!out.error.empty()) return out;
    std::string line = action;
    for (const field_rule& f : rule->fields) {
        const auto it = fields.find(f.name);
        if (it == fields.end()) {
            out.error = action + ": missing field " + f.name;
            return out;
        }
        std::string why;
        if (!check_field(f, it->second, why)) {
            out.error = action + ": " + why;
            return out;
        }
        line += " " + (f.kind == field_kind::word ? it->second : quote_step_text(it->second));
    }
    scenario_step step;
    if (!parse_step_line(line, "page", step, out.error)) {
        out.error = action + ": " + in_page_terms(out.error, *rule);
        return out;
    }
    out.ok = true;
    out.step = write_step(step.action);
    out.device = rule->device;
    return out;
}

} // namespace quon::host
