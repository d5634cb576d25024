#include "scenario/fields.h"

#include <cctype>

#include "session/conversation_log.h"
#include "base/decimal_number.h"
#include "base/utf8_text.h"

namespace quon::host {

const char scenarioSpaces[] = " \t\r";

std::string trim_spaces(const std::string& s) {
    const std::size_t b = s.find_first_not_of(scenarioSpaces);
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(scenarioSpaces) - b + 1);
}

bool step_fields::word(const char* name, std::string& out) {
    if (rest_.empty()) {
        why = std::string("missing ") + name;
        return false;
    }
    const std::size_t e = rest_.find_first_of(scenarioSpaces);
    out = rest_.substr(0, e);
    rest_ = e == std::string::npos ? std::string() : trim_spaces(rest_.substr(e));
    return true;
}

bool step_fields::number(const char* name, std::int32_t& out) {
    std::string w;
    return word(name, w) && number_of(name, w, out);
}

bool step_fields::number_of(const char* name, const std::string& w, std::int32_t& out) {
    std::int64_t v = 0;
    std::string reason;
    if (!read_decimal(w, INT32_MIN, INT32_MAX, v, reason)) {
        why = std::string(name) + " " + reason;
        return false;
    }
    out = static_cast<std::int32_t>(v);
    return true;
}

bool step_fields::text(const char* name, std::string& out) {
    if (rest_.empty()) {
        why = std::string("missing ") + name;
        return false;
    }
    const std::string raw = std::move(rest_);
    rest_.clear();
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') {
        out = raw;
        return true;
    }
    out.clear();
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out += raw[i];
            continue;
        }
        if (i + 2 >= raw.size()) {
            why = "a backslash ends the quoted text";
            return false;
        }
        const char c = raw[++i];
        if (c == 'n') out += '\n';
        else if (c == 't') out += '\t';
        else if (c == '"' || c == '\\') out += c;
        else if (c == 'x' && i + 3 < raw.size() && std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
            out += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            why = std::string("unknown escape \\") + c;
            return false;
        }
    }
    return true;
}

bool step_fields::end() {
    if (rest_.empty()) return true;
    why = "unexpected fields \"" + printable(rest_) + "\"";
    return false;
}

const step_syntax* find_step_syntax(const std::string& keyword) {
    for (std::size_t i = 0; i < std::variant_size_v<step_action>; ++i)
        if (keyword == stepSyntax[i].name) return &stepSyntax[i];
    return nullptr;
}

} // namespace quon::host
