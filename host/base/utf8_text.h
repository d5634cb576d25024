// utf8_text: texts from a panel made fit for a UTF-8 file. Panels send bytes:
// UTF-8 mostly, but Latin-1 display texts are common in studios, so bytes
// that are not part of a valid UTF-8 character are taken as Latin-1.
#ifndef HOST_BASE_UTF8_TEXT_H
#define HOST_BASE_UTF8_TEXT_H

#include <cstddef>
#include <string>

namespace quon::host {

// `text` as valid UTF-8: well-formed characters kept, every other byte taken
// as the Latin-1 character of that value. Noncharacters U+FFFE and U+FFFF,
// surrogates and overlong forms count as not well-formed.
std::string valid_utf8(const std::string& text);
// Characters in valid UTF-8.
std::size_t utf8_length(const std::string& valid);
// Valid UTF-8 cut to at most `most` characters, on a character boundary,
// ending in "~" when cut.
std::string utf8_shorten(const std::string& valid, std::size_t most);
// A text from a panel as panel_host prints it, on one line and with nothing
// a terminal acts on: control bytes as \n, \t or \xNN, and so bytes 0x80 to
// 0x9f outside a well-formed UTF-8 character and every byte of a C1 control
// (U+0080..U+009F) and of a line separator or bidirectional override; other
// bytes (Latin-1 letters among them) as they are. The one function for every
// panel text panel_host prints (conversation, validate, saved cases).
std::string printable(const std::string& text);
// One byte as printable() writes it, into `out` (room for 4); gives the
// count. Allocates nothing: a crash handler uses it too.
std::size_t printable_byte(unsigned char c, char* out);
// Bytes a UTF-8 byte-order mark takes at the start of an input file's text
// (3 or 0): editors add one, and no reader should take it for the first word.
std::size_t byte_order_mark_size(const std::string& text);

} // namespace quon::host

#endif
