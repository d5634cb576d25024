// definition_lines: the small line syntax shared by devices files and preview
// layouts: one item a line, "#" starts a comment line, words apart by spaces,
// numbers in decimal, ranges "FIRST..LAST", fields "key=value", and "{n}" in a
// text standing for the index it is given for.
#ifndef HOST_BASE_DEFINITION_LINES_H
#define HOST_BASE_DEFINITION_LINES_H

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quon::host {

// One line's words; `rest(i)` is the line from word i on, as written.
struct definition_line {
    std::string where; // "file:line"
    std::vector<std::string> words;
    std::string text;
    std::string rest(std::size_t word) const;
};

// Calls `item` for each line that is not blank or a comment; stops at the
// first false, with "file:line: why" in error. A UTF-8 byte-order mark
// before the first line is skipped.
bool read_definition_lines(const std::string& text, const std::string& file,
                           const std::function<bool(const definition_line&, std::string& why)>& item,
                           std::string& error);
// What the declarations of a run's definition files may expand to: a line
// such as "state 2 1..100000 TEXT" stores its text once per index, so the
// text's size bounds nothing by itself. Each stored entry is counted as its
// text plus entryBytes, each declared index as indexBytes.
class declaration_budget {
public:
    static constexpr std::size_t runBytes = 64u << 20;
    static constexpr std::size_t entryBytes = 64;
    static constexpr std::size_t indexBytes = 32;

    explicit declaration_budget(std::size_t bytes = runBytes) : left_(bytes), limit_(bytes) {}
    // Counts `bytes` more; false with why once the total passes the limit.
    bool take(std::size_t bytes, std::string& why);
    bool take_entry(const std::string& text, std::string& why) { return take(entryBytes + text.size(), why); }

private:
    std::size_t left_, limit_;
};
// The folder part of a path, "" for none; a name joined to it unless absolute.
std::string folder_of(const std::string& path);
std::string path_in(const std::string& folder, const std::string& name);

bool parse_number(const std::string& word, std::int32_t& out);
// "a..b" or a single "a"; false when not numbers or b < a.
bool parse_range(const std::string& word, std::int32_t& first, std::int32_t& last);
// "key=value" words from `from` on; false with why for any other word or a
// key not in `known`.
bool parse_fields(const definition_line& line, std::size_t from, const std::vector<std::string>& known,
                  std::map<std::string, std::string>& out, std::string& why);
// The field `key` of `fields` as a number from `min` to `max`, into `out`. A
// field not given leaves `out` as it is unless `required`. False with
// "KEY= must be a number from MIN to MAX".
bool number_field(const std::map<std::string, std::string>& fields, const std::string& key, std::int32_t min,
                  std::int32_t max, bool required, int& out, std::string& why);
// `text` with every "{n}" replaced by n.
std::string with_index(const std::string& text, std::int32_t n);

} // namespace quon::host

#endif
