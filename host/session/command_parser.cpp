#include "command_parser.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Field layout per code: 'T' a text field, 'N' a number, 'o' an optional
// trailing text field, 'a' the optional 'ADD' of the register commands.
struct layout {
    const char* code;
    const char* fields;
};

const layout layouts[] = {
    {"PS", "TTo"}, {"TP", "TTT"}, {"TG", "TTT"}, {"XI", "TT"},  {"RN", "NNN"},
    {"RR", "NNNa"}, {"IR", "NNNa"}, {"GR", "NNNa"}, {"RP", "NNN"}, {"IP", "NNN"},
    {"GP", "NNN"}, {"RU", "N"},    {"IU", "N"},    {"GU", "N"},   {"ET", "N"},
    {"AS", ""},
};

const layout* find_layout(const std::string& code) {
    for (const layout& l : layouts)
        if (code == l.code) return &l;
    return nullptr;
}

bool parse_number(const std::string& field, std::int32_t& out, std::string& error) {
    const std::string quoted = "\"" + field + "\"";
    if (field.empty()) {
        error = "empty number field";
        return false;
    }
    std::size_t digits = field[0] == '-' ? 1 : 0;
    if (digits == field.size()) {
        error = "number field " + quoted + " has no digits";
        return false;
    }
    for (std::size_t i = digits; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') {
            error = "non-numeric field " + quoted;
            return false;
        }
    }
    if (digits == 1 && field == "-0") { // no script formatting an integer in plain decimal sends it
        error = "number field " + quoted + " is a negative zero";
        return false;
    }
    if (field[digits] == '0' && field.size() > digits + 1) {
        error = "number field " + quoted + " has a leading zero";
        return false;
    }
    errno = 0;
    long long value = std::strtoll(field.c_str(), nullptr, 10);
    if (errno != 0 || value < INT32_MIN || value > INT32_MAX) {
        error = "number field " + quoted + " is outside 32 bits";
        return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

// Text-only commands: the body is 'a' 'b' ['c']. Fields are sent unescaped, so
// a field may itself hold "' '"; the separators nearest the end are taken as
// the real ones, because the leading field (a property value or a path) is
// the one that carries free text.
bool parse_texts(const std::string& body, const layout& l, host_command& out, std::string& error) {
    std::size_t required = 0, optional = 0;
    for (const char* f = l.fields; *f; ++f) (*f == 'T' ? required : optional) += 1;
    if (body.size() < 2 || body.front() != '\'' || body.back() != '\'') {
        error = body.empty() || body.front() != '\'' ? "text field does not start with an apostrophe"
                                                     : "missing closing apostrophe";
        return false;
    }
    // Every separator, left to right; the last `most - 1` of them are the
    // real ones and the first field keeps the rest, in one pass.
    const std::string inner = body.substr(1, body.size() - 2);
    std::vector<std::size_t> separators;
    for (std::size_t sep = inner.find("' '"); sep != std::string::npos; sep = inner.find("' '", sep + 3))
        separators.push_back(sep);
    const std::size_t pieces = separators.size() + 1, most = required + optional;
    if (pieces < required) {
        error = "expects " + std::to_string(required) + " text fields, got " + std::to_string(pieces);
        return false;
    }
    const std::size_t firstReal = pieces > most ? pieces - most : 0;
    std::size_t start = 0;
    for (std::size_t i = firstReal; i < separators.size(); ++i) {
        out.texts.push_back(inner.substr(start, separators[i] - start));
        start = separators[i] + 3;
    }
    out.texts.push_back(inner.substr(start));
    return true;
}

bool parse_numeric(const std::string& body, const layout& l, host_command& out, std::string& error) {
    std::vector<std::string> fields;
    if (!body.empty()) {
        std::size_t start = 0;
        for (;;) {
            std::size_t sp = body.find(' ', start);
            fields.push_back(body.substr(start, sp == std::string::npos ? std::string::npos : sp - start));
            if (sp == std::string::npos) break;
            start = sp + 1;
        }
    }
    const std::size_t numbers = std::strlen(l.fields) - (std::strchr(l.fields, 'a') ? 1 : 0);
    const bool mayAdd = std::strchr(l.fields, 'a') != nullptr;
    if (fields.size() < numbers || fields.size() > numbers + (mayAdd ? 1 : 0)) {
        error = "expects " + std::to_string(numbers) + (mayAdd ? " or " + std::to_string(numbers + 1) : std::string()) +
                " fields, got " + std::to_string(fields.size());
        return false;
    }
    for (std::size_t i = 0; i < numbers; ++i) {
        std::int32_t v = 0;
        if (!parse_number(fields[i], v, error)) return false;
        out.numbers.push_back(v);
    }
    if (fields.size() > numbers) {
        const std::string& last = fields.back();
        if (last.size() < 2 || last.front() != '\'' || last.back() != '\'') {
            error = "last field " + last + " is not a text between apostrophes";
            return false;
        }
        if (last != "'ADD'") {
            error = "unknown option " + last + " (only 'ADD')";
            return false;
        }
        out.add = true;
    }
    return true;
}

} // namespace

bool is_known_code(const std::string& code) { return find_layout(code) != nullptr; }

parsed_command parse_command(const char* text) {
    parsed_command result;
    if (!text) {
        result.error = "null command";
        return result;
    }
    const std::string all = text;
    if (all.empty()) {
        result.error = "empty command";
        return result;
    }
    const std::string code = all.substr(0, all.find(' '));
    const layout* l = find_layout(code);
    if (!l) {
        result.error = "unknown code \"" + code + "\"";
        return result;
    }
    result.command.code = code;
    std::string body;
    if (all.size() > code.size()) {
        if (all.size() == code.size() + 1) {
            result.error = "trailing space after the code";
            return result;
        }
        body = all.substr(code.size() + 1);
    }
    if (*l->fields == '\0') {
        result.ok = body.empty();
        if (!result.ok) result.error = code + " takes no fields";
        return result;
    }
    if (body.empty() && all.size() == code.size()) {
        result.error = "missing fields";
        return result;
    }
    const bool textOnly = l->fields[0] == 'T';
    result.ok = textOnly ? parse_texts(body, *l, result.command, result.error)
                         : parse_numeric(body, *l, result.command, result.error);
    return result;
}
