#include "session/command_parser.h"

#include "base/decimal_number.h"

#include <cstring>
#include <string_view>

namespace quon::host {

namespace {

// A code's field layout, in the table's letters (quon_commands.h), "*" for
// any fields.
const char* find_layout(const std::string& code, const std::vector<declared_command>& declared,
                        const quon_command*& known) {
    known = code.size() == 2 ? quon_find_command(code.c_str()) : nullptr;
    if (known) return known->fields;
    for (const declared_command& d : declared)
        if (d.code == code) return effect_fields(d.effect);
    return nullptr;
}

// The texts are read through views of the command's text: a field is copied
// only when it is kept (a text field) or named in an error.
using text_view = std::string_view;

bool parse_number(text_view field, std::int32_t& out, std::string& error) {
    const auto quoted = [&] { return "\"" + std::string(field) + "\""; };
    if (field.empty()) {
        error = "empty number field";
        return false;
    }
    std::size_t digits = field[0] == '-' ? 1 : 0;
    if (digits == field.size()) {
        error = "number field " + quoted() + " has no digits";
        return false;
    }
    for (std::size_t i = digits; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') {
            error = "non-numeric field " + quoted();
            return false;
        }
    }
    if (digits == 1 && field == "-0") { // no script formatting an integer in plain decimal sends it
        error = "number field " + quoted() + " is a negative zero";
        return false;
    }
    if (field[digits] == '0' && field.size() > digits + 1) {
        error = "number field " + quoted() + " has a leading zero";
        return false;
    }
    std::int64_t value = 0;
    std::string why;
    if (!read_decimal(std::string(field), INT32_MIN, INT32_MAX, value, why)) {
        error = "number field " + quoted() + " is outside 32 bits";
        return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

// Text-only commands: the body is 'a' 'b' ['c']. Fields are sent unescaped, so
// a field may itself hold "' '"; the separators nearest the end are taken as
// the real ones, because the leading field (a property value or a path) is
// the one that carries free text.
bool parse_texts(text_view body, const char* layout, host_command& out, std::string& error) {
    std::size_t required = 0, optional = 0;
    for (const char* f = layout; *f; ++f) (*f == 'T' ? required : optional) += 1;
    if (body.size() < 2 || body.front() != '\'' || body.back() != '\'') {
        error = body.empty() || body.front() != '\'' ? "text field does not start with an apostrophe"
                                                     : "missing closing apostrophe";
        return false;
    }
    // Every separator, left to right; the last `most - 1` of them are the
    // real ones and the first field keeps the rest, in one pass.
    const text_view inner = body.substr(1, body.size() - 2);
    std::vector<std::size_t> separators;
    for (std::size_t sep = inner.find("' '"); sep != text_view::npos; sep = inner.find("' '", sep + 3))
        separators.push_back(sep);
    const std::size_t pieces = separators.size() + 1, most = required + optional;
    if (pieces < required) {
        error = "expects " + std::to_string(required) + " text fields, got " + std::to_string(pieces);
        return false;
    }
    const std::size_t firstReal = pieces > most ? pieces - most : 0;
    std::size_t start = 0;
    for (std::size_t i = firstReal; i < separators.size(); ++i) {
        out.texts.emplace_back(inner.substr(start, separators[i] - start));
        start = separators[i] + 3;
    }
    out.texts.emplace_back(inner.substr(start));
    return true;
}

// Numbers, then text fields ("NNT"): the numbers are the words before the
// first apostrophe, the texts as parse_texts reads them.
bool parse_numbers_then_texts(text_view body, const char* layout, host_command& out, std::string& error) {
    const std::size_t numbers = std::strspn(layout, "N");
    std::size_t start = 0;
    for (std::size_t i = 0; i < numbers; ++i) {
        const std::size_t sp = body.find(' ', start);
        std::int32_t v = 0;
        if (sp == text_view::npos) {
            error = "expects " + std::to_string(numbers) + " numbers, then text fields";
            return false;
        }
        if (!parse_number(body.substr(start, sp - start), v, error)) return false;
        out.numbers.push_back(v);
        start = sp + 1;
    }
    return parse_texts(body.substr(start), layout + numbers, out, error);
}

bool parse_numeric(text_view body, const char* layout, host_command& out, std::string& error) {
    if (std::strpbrk(layout, "To")) return parse_numbers_then_texts(body, layout, out, error);
    std::vector<text_view> fields;
    if (!body.empty()) {
        std::size_t start = 0;
        for (;;) {
            std::size_t sp = body.find(' ', start);
            fields.push_back(body.substr(start, sp == text_view::npos ? text_view::npos : sp - start));
            if (sp == text_view::npos) break;
            start = sp + 1;
        }
    }
    const std::size_t numbers = std::strlen(layout) - (std::strchr(layout, 'a') ? 1 : 0);
    const bool mayAdd = std::strchr(layout, 'a') != nullptr;
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
        const text_view last = fields.back();
        if (last.size() < 2 || last.front() != '\'' || last.back() != '\'') {
            error = "last field " + std::string(last) + " is not a text between apostrophes";
            return false;
        }
        if (last != "'ADD'") {
            error = "unknown option " + std::string(last) + " (only 'ADD')";
            return false;
        }
        out.add = true;
    }
    return true;
}

} // namespace

parsed_command parse_command(const char* text, const std::vector<declared_command>& declared) {
    parsed_command result;
    if (!text) {
        result.error = "null command";
        return result;
    }
    const text_view all = text;
    if (all.empty()) {
        result.error = "empty command";
        return result;
    }
    const std::string code(all.substr(0, all.find(' ')));
    const char* layout = find_layout(code, declared, result.command.known);
    if (!layout) {
        result.error = "unknown code \"" + code + "\"";
        // A studio's own command reads as unknown until declared: say where.
        if (declarable_code(code))
            result.error += " (a command of the studio's own is declared in the devices file: \"command " + code +
                            " EFFECT\"; validate reads it with --devices, or quon_add_panel(... DEVICES ...))";
        return result;
    }
    result.command.code = code;
    text_view body;
    if (all.size() > code.size()) {
        if (all.size() == code.size() + 1) {
            result.error = "trailing space after the code";
            return result;
        }
        body = all.substr(code.size() + 1);
    }
    if (*layout == '*') { // a declared command that accepts any fields
        result.ok = true;
        return result;
    }
    if (*layout == '\0') {
        result.ok = body.empty();
        if (!result.ok) result.error = code + " takes no fields";
        return result;
    }
    if (body.empty()) {
        result.error = "missing fields";
        return result;
    }
    result.ok = layout[0] == 'T' ? parse_texts(body, layout, result.command, result.error)
                                 : parse_numeric(body, layout, result.command, result.error);
    return result;
}

} // namespace quon::host
