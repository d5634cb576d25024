// The runner's checks: the commands sent, the page's properties, the last
// answer and the debugger texts of the script the steps go to.
#include "scenario/runner.h"

#include "base/utf8_text.h"

#include <algorithm>

namespace quon::host {

bool commands_match(const std::vector<std::string>& expected, const std::vector<std::string>& got) {
    // Glob matching over lines: can[i][j] says expected[i..] matches got[j..].
    const std::size_t n = expected.size(), m = got.size();
    std::vector<std::vector<char>> can(n + 1, std::vector<char>(m + 1, 0));
    can[n][m] = 1;
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m + 1; j-- > 0;) {
            if (expected[i] == "...") can[i][j] = can[i + 1][j] || (j < m && can[i][j + 1]);
            else can[i][j] = j < m && expected[i] == got[j] && can[i + 1][j + 1];
        }
    }
    return can[0][0] != 0;
}

bool scenario_runner::apply(const expect_commands_step& step) {
    const std::vector<std::string>& got = session().host().commands();
    const bool ok = commands_match(step.lines, got);
    std::string detail;
    if (!ok) {
        detail = "    expected:\n";
        for (const std::string& e : step.lines) detail += "      " + printable(e) + "\n";
        if (step.lines.empty()) detail += "      (no commands)\n";
        detail += "    got:\n";
        for (const std::string& g : got) detail += "      " + printable(g) + "\n";
        if (got.empty()) detail += "      (no commands)\n";
    }
    log_.expectation(ok, "expect-commands (" + std::to_string(step.lines.size()) + " lines) at " + where_, detail);
    return true;
}

bool scenario_runner::apply(const expect_property_step& step) {
    const std::string panel = step.panel.empty() ? page().main_panel() : step.panel;
    const std::optional<std::string> got = page().value(panel, step.control, step.property);
    const bool ok = got && *got == step.value;
    const std::string what = panel + "/" + step.control + " " + step.property;
    log_.expectation(ok, what + " = \"" + step.value + "\"",
                     ok ? ""
                        : "    expected \"" + printable(step.value) + "\"\n    got " +
                              (got ? "\"" + printable(*got) + "\"" : std::string("(not set)")));
    return true;
}

bool scenario_runner::apply(const expect_answer_step& step) {
    auto show = [](const std::optional<std::string>& a) {
        return a ? "\"" + printable(*a) + "\"" : std::string("null");
    };
    if (!answered_) {
        log_.expectation(false, "answer " + show(step.answer), "    no property message was sent before");
        return true;
    }
    const bool ok = step.answer == lastAnswer_;
    log_.expectation(ok, "answer " + show(step.answer), ok ? "" : "    got " + show(lastAnswer_));
    return true;
}

bool scenario_runner::apply(const expect_debug_step& step) {
    const std::vector<std::string>& written = session().debug_texts();
    const bool ok = std::find(written.begin(), written.end(), step.text) != written.end();
    std::string detail;
    if (!ok) {
        detail = "    written since the last step that was not a check:\n";
        for (const std::string& w : written) detail += "      " + printable(w) + "\n";
        if (written.empty()) detail += "      (no debugger texts)\n";
    }
    log_.expectation(ok, "debugger text \"" + printable(step.text) + "\"", detail);
    return true;
}

} // namespace quon::host
