#include "base/definition_lines.h"

#include "base/decimal_number.h"
#include "base/utf8_text.h"

#include <algorithm>
#include <sstream>

namespace quon::host {

namespace {
const char* spaces = " \t\r";
}

std::string definition_line::rest(std::size_t word) const {
    // Find the start of word `word` again in the text, so that inner spaces stay.
    std::size_t pos = 0;
    for (std::size_t i = 0;; ++i) {
        pos = text.find_first_not_of(spaces, pos);
        if (pos == std::string::npos) return "";
        if (i == word) break;
        pos = text.find_first_of(spaces, pos);
    }
    const std::size_t end = text.find_last_not_of(spaces);
    return text.substr(pos, end - pos + 1);
}

bool read_definition_lines(const std::string& text, const std::string& file,
                           const std::function<bool(const definition_line&, std::string& why)>& item,
                           std::string& error) {
    std::istringstream in(text.substr(byte_order_mark_size(text)));
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        definition_line line;
        line.where = file + ":" + std::to_string(number);
        line.text = raw;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t b = raw.find_first_not_of(spaces, pos);
            if (b == std::string::npos) break;
            const std::size_t e = raw.find_first_of(spaces, b);
            line.words.push_back(raw.substr(b, e == std::string::npos ? std::string::npos : e - b));
            if (e == std::string::npos) break;
            pos = e;
        }
        if (line.words.empty() || line.words[0][0] == '#') continue;
        std::string why;
        if (!item(line, why)) {
            error = line.where + ": " + why;
            return false;
        }
    }
    return true;
}

bool declaration_budget::take(std::size_t bytes, std::string& why) {
    if (bytes <= left_) {
        left_ -= bytes;
        return true;
    }
    left_ = 0;
    why = "the declarations pass the run's bound of " + std::to_string(limit_ >> 20) +
          " MiB (a range times its text, every devices file and layout together)";
    return false;
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string path_in(const std::string& folder, const std::string& name) {
    const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':'));
    return absolute || folder.empty() ? name : folder + "/" + name;
}

bool parse_number(const std::string& word, std::int32_t& out) {
    std::int64_t v = 0;
    std::string why;
    if (!read_decimal(word, INT32_MIN, INT32_MAX, v, why)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

bool parse_range(const std::string& word, std::int32_t& first, std::int32_t& last) {
    const std::size_t dots = word.find("..");
    if (dots == std::string::npos) return parse_number(word, first) && parse_number(word, last);
    return parse_number(word.substr(0, dots), first) && parse_number(word.substr(dots + 2), last) && first <= last;
}

bool parse_fields(const definition_line& line, std::size_t from, const std::vector<std::string>& known,
                  std::map<std::string, std::string>& out, std::string& why) {
    for (std::size_t i = from; i < line.words.size(); ++i) {
        const std::string& w = line.words[i];
        const std::size_t eq = w.find('=');
        const std::string key = w.substr(0, eq);
        if (eq == std::string::npos || std::find(known.begin(), known.end(), key) == known.end()) {
            why = "unexpected \"" + w + "\" (fields:";
            for (const std::string& k : known) why += " " + k + "=";
            why += ")";
            return false;
        }
        out[key] = w.substr(eq + 1);
    }
    return true;
}

bool number_field(const std::map<std::string, std::string>& fields, const std::string& key, std::int32_t min,
                  std::int32_t max, bool required, int& out, std::string& why) {
    const auto f = fields.find(key);
    if (f == fields.end() && !required) return true;
    std::int32_t v = 0;
    if (f == fields.end() || !parse_number(f->second, v) || v < min || v > max) {
        why = key + "= must be a number from " + std::to_string(min) + " to " + std::to_string(max);
        return false;
    }
    out = v;
    return true;
}

std::string with_index(const std::string& text, std::int32_t n) {
    std::string out;
    const std::string mark = "{n}";
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = text.find(mark, pos);
        out += text.substr(pos, at == std::string::npos ? std::string::npos : at - pos);
        if (at == std::string::npos) return out;
        out += std::to_string(n);
        pos = at + mark.size();
    }
}

} // namespace quon::host
