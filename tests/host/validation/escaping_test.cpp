// What validate prints and saves holds no byte a terminal acts on, whatever
// the panel sent: its check lines and a saved case's header.
#include "validation/run.h"
#include "validation/saved_case.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

// Bytes a terminal acts on: C0 controls but the line end, DEL, and the C1
// controls as UTF-8 (C2 80..9F) or as one byte.
bool has_raw_control(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7f || (c >= 0x80 && c <= 0x9f && (i == 0 || text[i - 1] != '\xc2')))
            return true;
        if (c == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xa0) return true;
    }
    return false;
}

TEST(escaping, check_lines_and_saved_cases_hold_no_raw_controls) {
    const std::string hostile[] = {
        "\x1b]0;retitled\x07",
        "\x1b[31mred\x1b[0m",
        "a\rb",
        "\xc2\x9b"
        "2J",
        "\x9b"
        "2J",
        "tab\there",
        "del\x7f",
        "line\nbreak",
        std::string("nul\0x", 5),
    };
    for (const std::string& text : hostile) {
        SCOPED_TRACE(::testing::PrintToString(text));
        const std::string detail = "control 1/Take, event \"press\": \"" + text + "\": unknown code";
        const std::string line = check_line("commands", {false, detail});
        EXPECT_FALSE(has_raw_control(line)) << line;
        EXPECT_EQ(line.find('\n'), line.size() - 1);
        saved_case c;
        c.check = "controls";
        c.kind = "malformed-command";
        c.fault = "malformed command \"" + text + "\"";
        c.notes = {"the first left out: " + text};
        const std::string file = case_text(c, "/lib/p.so", "/cases/x.scn");
        EXPECT_FALSE(has_raw_control(file)) << file;
        saved_case back;
        ASSERT_TRUE(read_case(file, back));
        EXPECT_EQ(case_text(back, "/lib/p.so", "/cases/x.scn"), file); // written again, escaped once
    }
}

} // namespace
