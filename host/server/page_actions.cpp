#include "server/page_actions.h"

#include "base/decimal_number.h"

#include <algorithm>
#include <cstdint>

namespace quon::host {

namespace {

enum class field_type { number, source, state, word, event, text };

struct field_rule {
    const char* name;
    field_type type;
};

struct action_rule {
    const char* action;
    std::vector<field_rule> fields; // all required, in the order the step writes them
};

const std::vector<action_rule>& rules() {
    static const std::vector<action_rule> table = {
        {"button", {{"panel", field_type::word}, {"control", field_type::word}, {"event", field_type::event}}},
        {"route", {{"destination", field_type::number}, {"source", field_type::source}}},
        {"gpi", {{"input", field_type::number}, {"state", field_type::state}}},
        {"info", {{"slot", field_type::number}, {"text", field_type::text}}},
        {"property", {{"message", field_type::text}}},
        {"timer", {{"id", field_type::number}}},
    };
    return table;
}

bool is_control_char(unsigned char c) { return c < 0x20 || c == 0x7f; }

std::string shown(const std::string& value) {
    if (value.size() > 40) return "\"" + value.substr(0, 40) + "...\" (" + std::to_string(value.size()) + " bytes)";
    std::string out = "\"";
    for (unsigned char c : value) out += is_control_char(c) ? '?' : static_cast<char>(c);
    return out + "\"";
}

bool is_number(const std::string& v) {
    std::int64_t n;
    std::string why;
    return read_decimal(v, INT32_MIN, INT32_MAX, n, why);
}

// Checks one value; on success `written` is how the step line writes it.
bool check_field(const field_rule& rule, const std::string& v, std::string& written, std::string& why) {
    const std::string name = rule.name;
    const std::size_t limit = rule.type == field_type::text ? maxFieldText : 256;
    if (v.size() > limit) {
        why = name + " is " + std::to_string(v.size()) + " bytes long; at most " + std::to_string(limit);
        return false;
    }
    for (unsigned char c : v) {
        if (is_control_char(c) && !(c == '\n' && rule.type == field_type::text)) {
            why = name + " " + shown(v) + " contains a control character";
            return false;
        }
    }
    written = v;
    switch (rule.type) {
    case field_type::number:
        if (is_number(v)) return true;
        why = name + " " + shown(v) + " is not a whole number";
        return false;
    case field_type::source:
        if (v == "park" || is_number(v)) return true;
        why = name + " " + shown(v) + " is neither a source number nor \"park\"";
        return false;
    case field_type::state:
        if (v == "on" || v == "off") return true;
        why = name + " " + shown(v) + " is neither \"on\" nor \"off\"";
        return false;
    case field_type::word:
        if (v.empty() || v.find(' ') != std::string::npos) {
            why = name + " " + shown(v) + (v.empty() ? " is empty" : " contains a space");
            return false;
        }
        return true;
    case field_type::event:
        if (v.empty() || v[0] == '=') {
            why = name + " " + shown(v) + " has no event name";
            return false;
        }
        written = quoted_step_text(v);
        return true;
    case field_type::text:
        written = quoted_step_text(v);
        return true;
    }
    return false;
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

std::string quoted_step_text(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') out += "\\n";
        else out += c;
    }
    return out + "\"";
}

bool parse_form(const std::string& body, request_fields& out, std::string& error) {
    out.clear();
    if (body.empty()) return true;
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
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

request_outcome step_for_body(const std::string& action, const std::string& body) {
    request_fields fields;
    request_outcome out;
    if (!parse_form(body, fields, out.error)) return out;
    return step_for_request(action, fields);
}

request_outcome step_for_request(const std::string& action, const request_fields& fields) {
    request_outcome out;
    const action_rule* rule = nullptr;
    for (const action_rule& r : rules())
        if (action == r.action) rule = &r;
    if (!rule) {
        out.error = "unknown action " + shown(action);
        return out;
    }
    for (const auto& [name, value] : fields) {
        bool known = false;
        for (const field_rule& f : rule->fields) known = known || name == f.name;
        if (!known) {
            out.error = action + ": unknown field " + shown(name);
            return out;
        }
        if (fields.count(name) > 1) {
            out.error = action + ": field " + name + " given more than once";
            return out;
        }
    }
    std::string line = action;
    for (const field_rule& f : rule->fields) {
        const auto it = fields.find(f.name);
        if (it == fields.end()) {
            out.error = action + ": missing field " + f.name;
            return out;
        }
        std::string written, why;
        if (!check_field(f, it->second, written, why)) {
            out.error = action + ": " + why;
            return out;
        }
        line += " " + written;
    }
    out.ok = true;
    out.step = line;
    return out;
}

} // namespace quon::host
