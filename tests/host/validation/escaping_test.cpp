// What validate prints and saves goes through printable (base/utf8_text.h,
// tested there with its table of hostile texts): its check lines and a saved
// case's header hold nothing left to escape.
#include "base/utf8_text.h"
#include "validation/run.h"
#include "validation/saved_case.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

TEST(escaping, check_lines_and_saved_cases_hold_no_raw_controls) {
    for (const std::string text : {"\x1b]0;retitled\x07", "\xc2\x9b[2J\r\nnext"}) {
        const std::string line = check_line("commands", {false, "\"" + text + "\": unknown code"});
        EXPECT_EQ(printable(line.substr(0, line.size() - 1)) + "\n", line);
        saved_case c;
        c.check = "controls";
        c.kind = "malformed-command";
        c.fault = "malformed command \"" + text + "\"";
        c.notes = {"the first left out: " + text};
        const std::string file = case_text(c, "/lib/p.so", "/cases/x.scn");
        EXPECT_EQ(file.find_first_of("\x1b\x07\r"), std::string::npos) << file;
        EXPECT_EQ(file.find("\xc2\x9b"), std::string::npos) << file;
        saved_case back;
        ASSERT_TRUE(read_case(file, back));
        EXPECT_EQ(case_text(back, "/lib/p.so", "/cases/x.scn"), file); // written again, escaped once
    }
}

} // namespace
