// printable: hostile texts from a panel come out with nothing a terminal acts
// on, and ordinary text (UTF-8 included) as it is.
#include "base/utf8_text.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

TEST(printable, escapes_what_a_terminal_acts_on) {
    struct row {
        const char* what;
        std::string text, shown;
    };
    const row rows[] = {
        {"window title", "\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
        {"colour", "\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
        {"line ends and tab", "a\r\nb\tc", "a\\x0d\\nb\\tc"},
        {"backspace, delete, NUL", std::string("x\b\x7f\0y", 5), "x\\x08\\x7f\\x00y"},
        {"C1 CSI as UTF-8",
         "\xc2\x9b"
         "31m",
         "\\xc2\\x9b31m"},
        {"C1 CSI as one byte",
         "\x9b"
         "31m",
         "\\x9b31m"},
        {"C1 string terminator", "\xc2\x9c", "\\xc2\\x9c"},
        {"Latin-1 byte, no UTF-8", "caf\xe9", "caf\xe9"},
        {"truncated character", "\xe2\x82", "\xe2\\x82"},
        {"right-to-left override",
         "a\xe2\x80\xae"
         "b",
         "a\\xe2\\x80\\xaeb"},
        {"first isolate", "\xe2\x81\xa8", "\\xe2\\x81\\xa8"},
        {"line separator", "\xe2\x80\xa8", "\\xe2\\x80\\xa8"},
        {"UTF-8 kept", "caf\xc3\xa9 \xe2\x82\xac 5 \xf0\x9f\x8e\x9a \xc2\xa0",
         "caf\xc3\xa9 \xe2\x82\xac 5 \xf0\x9f\x8e\x9a \xc2\xa0"},
        {"plain", "TP 'text=1' '1' 'Take'", "TP 'text=1' '1' 'Take'"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string shown = printable(r.text);
        EXPECT_EQ(shown, r.shown);
        for (unsigned char c : shown) EXPECT_TRUE(c >= 0x20 && c != 0x7f) << int(c);
    }
}

} // namespace
