// json_text: texts as JSON string literals, for the answers and events of
// serve. A JSON text is UTF-8: other bytes are taken as valid_utf8 takes them.
#ifndef HOST_BASE_JSON_TEXT_H
#define HOST_BASE_JSON_TEXT_H

#include <string>

namespace quon::host {

// A text as a JSON string literal.
std::string json_string(const std::string& text);
// Appends json_string(text) to `out`.
std::string& append_json_string(std::string& out, const std::string& text);

} // namespace quon::host

#endif
