// quon_fuzz_values: the names and values a panel cares about, for its fuzz
// target: what its scenarios' property, button and timer steps name, what
// the hints file beside its devices file names (docs/formats.md, "Hints
// file": property NAME [VALUE...], control PANEL ID [EVENT...], value
// VALUE...), read as panel_host validate reads them, and the texts its
// sources compare with (their string and integer literals: "arm", 7); and the
// libFuzzer dictionary made of them, so that its mutations insert them too.
#ifndef QUON_FUZZ_VALUES_H
#define QUON_FUZZ_VALUES_H

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct quon_fuzz_values {
    static constexpr std::size_t maxNames = 256;

    std::vector<std::string> panels, controls, properties, values, events;
    std::vector<int> timers;

    // A word a scenario step can carry: no space, quote or control character.
    static bool is_word(const std::string& s) {
        return !s.empty() && std::none_of(s.begin(), s.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == 127;
        });
    }
    static void add(std::vector<std::string>& list, const std::string& text, bool word = true) {
        if ((word ? is_word(text) : !text.empty()) && list.size() < maxNames &&
            std::find(list.begin(), list.end(), text) == list.end())
            list.push_back(text);
    }

    // A line's words; a word in double quotes, with \" \\ and \n, is one.
    static std::vector<std::string> words_of(const std::string& line) {
        std::vector<std::string> words;
        for (std::size_t at = 0; at < line.size();) {
            if (line[at] == ' ' || line[at] == '\t' || line[at] == '\r') {
                ++at;
                continue;
            }
            std::string word;
            if (line[at] == '"') {
                for (++at; at < line.size() && line[at] != '"'; ++at) {
                    if (line[at] == '\\' && at + 1 < line.size()) ++at, word += line[at] == 'n' ? '\n' : line[at];
                    else word += line[at];
                }
                ++at;
            } else {
                while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r') word += line[at++];
            }
            words.push_back(word);
        }
        return words;
    }

    void property(const std::string& message) {
        const std::size_t eq = message.find('=');
        add(properties, message.substr(0, eq));
        if (eq != std::string::npos) add(values, message.substr(eq + 1), false);
    }
    void control(const std::string& panel, const std::string& id, const std::string* event) {
        add(panels, panel);
        add(controls, id);
        if (event) add(events, *event, false);
    }

    void read_scenario(const std::string& file) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            const std::vector<std::string> w = words_of(line);
            if (w.size() >= 2 && w[0] == "property") property(w[1]);
            if (w.size() >= 4 && w[0] == "button") control(w[1], w[2], &w[3]);
            if (w.size() >= 2 && w[0] == "timer" && timers.size() < maxNames) timers.push_back(std::atoi(w[1].c_str()));
        }
    }

    void read_hints(const std::string& file) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            const std::vector<std::string> w = words_of(line);
            if (w.size() >= 2 && w[0] == "property") {
                add(properties, w[1]);
                for (std::size_t i = 2; i < w.size(); ++i) add(values, w[i], false);
            } else if (w.size() >= 3 && w[0] == "control") {
                control(w[1], w[2], nullptr);
                for (std::size_t i = 3; i < w.size(); ++i) add(events, w[i], false);
            } else if (w.size() >= 2 && w[0] == "value") {
                for (std::size_t i = 1; i < w.size(); ++i) add(values, w[i], false);
            }
        }
    }

    // The string literals of a C++ source, outside comments and #include
    // lines: those without spaces may be property names and control ids,
    // all of them values.
    void read_source_literals(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        const std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bool lineStart = true;
        for (std::size_t at = 0; at < code.size(); ++at) {
            const char c = code[at];
            if (c == '\n') lineStart = true;
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
            const bool directive = lineStart && c == '#';
            lineStart = false;
            if (directive || code.compare(at, 2, "//") == 0) {
                at = std::min(code.find('\n', at), code.size()) - 1;
            } else if (code.compare(at, 2, "/*") == 0) {
                at = std::min(code.find("*/", at + 2), code.size() - 1) + 1;
            } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
                at = read_number_literal(code, at);
            } else if (c == '\'' || c == '"') {
                std::string literal;
                for (++at; at < code.size() && code[at] != c && code[at] != '\n'; ++at) {
                    if (code[at] == '\\' && at + 1 < code.size()) ++at;
                    literal += code[at];
                }
                if (c == '"' && !literal.empty() && literal.size() <= 64) {
                    add(values, literal, false);
                    add(properties, literal);
                    add(controls, literal);
                }
            }
        }
    }

    // An identifier or a number at `at`, read whole; a decimal integer
    // (not a part of a floating-point one) is a value, as a panel compares
    // a number it read with it: "seconds == 7". Returns where it ends, less one.
    std::size_t read_number_literal(const std::string& code, std::size_t at) {
        const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        std::size_t end = at;
        while (end < code.size() && word(code[end])) ++end;
        std::size_t digits = at;
        while (digits < end && std::isdigit(static_cast<unsigned char>(code[digits]))) ++digits;
        const bool integer = digits > at && code.find_first_not_of("uUlL", digits) >= end &&
                             (end == code.size() || code[end] != '.') && (at == 0 || code[at - 1] != '.');
        if (integer && digits - at <= 10) add(values, code.substr(at, digits - at));
        return end - 1;
    }

    // libFuzzer's dictionary: one "text" a line, \\ \" and other bytes as \xNN.
    std::string dictionary() const {
        std::vector<std::string> entries;
        for (const auto* list : {&properties, &values, &controls, &panels, &events})
            for (const std::string& e : *list) add(entries, e, false);
        // Then the messages of the names with the values, while there is room.
        for (const std::string& v : values)
            for (const std::string& p : properties) add(entries, p + "=" + v, false);
        std::string out;
        for (const std::string& e : entries) {
            out += '"';
            for (unsigned char c : e) {
                if (c == '\\' || c == '"') out += '\\', out += static_cast<char>(c);
                else if (c >= ' ' && c < 127) out += static_cast<char>(c);
                else {
                    char hex[5];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    out += hex;
                }
            }
            out += "\"\n";
        }
        return out;
    }
};

#endif
