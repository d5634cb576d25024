// The runner's checks: the commands sent, the page's properties, the last
// answer and the debugger texts of the script the steps go to.
#include "scenario/runner.h"

#include "base/utf8_text.h"

#include <algorithm>

namespace quon::host {

namespace {

const char anyRun[] = "...";

using line_list = std::vector<std::string>;

// Where the run expected[begin, end) first occurs whole in got[from, to), or
// npos: Knuth-Morris-Pratt over lines, so each command is compared a bounded
// number of times and the table is the run's length.
std::size_t find_run(const line_list& expected, std::size_t begin, std::size_t end, const line_list& got,
                     std::size_t from, std::size_t to) {
    const std::size_t n = end - begin;
    if (n == 0) return from;
    std::vector<std::size_t> fallback(n, 0); // longest proper border of the run's first i+1 lines
    for (std::size_t i = 1, k = 0; i < n; ++i) {
        while (k > 0 && expected[begin + i] != expected[begin + k]) k = fallback[k - 1];
        if (expected[begin + i] == expected[begin + k]) ++k;
        fallback[i] = k;
    }
    for (std::size_t j = from, k = 0; j < to; ++j) {
        while (k > 0 && got[j] != expected[begin + k]) k = fallback[k - 1];
        if (got[j] == expected[begin + k]) ++k;
        if (k == n) return j + 1 - n;
    }
    return std::string::npos;
}

bool same_lines(const line_list& expected, std::size_t begin, std::size_t end, const line_list& got, std::size_t at) {
    return std::equal(expected.begin() + static_cast<std::ptrdiff_t>(begin),
                      expected.begin() + static_cast<std::ptrdiff_t>(end),
                      got.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace

// The block's lines between "..." are runs: the first is anchored at the
// start, the last at the end, and those between are found in order, each at
// its first place after the one before (the earliest place leaves the most
// room for the rest, so the greedy choice is never wrong).
bool commands_match(const line_list& expected, const line_list& got) {
    const auto firstAny = std::find(expected.begin(), expected.end(), anyRun);
    if (firstAny == expected.end()) return expected == got;
    const std::size_t head = static_cast<std::size_t>(firstAny - expected.begin());
    const std::size_t tailBegin =
        static_cast<std::size_t>(std::find(expected.rbegin(), expected.rend(), anyRun).base() - expected.begin());
    const std::size_t tail = expected.size() - tailBegin;
    if (head + tail > got.size() || !same_lines(expected, 0, head, got, 0) ||
        !same_lines(expected, tailBegin, expected.size(), got, got.size() - tail))
        return false;
    std::size_t at = head;
    const std::size_t limit = got.size() - tail;
    for (std::size_t begin = head; begin < tailBegin;) {
        if (expected[begin] == anyRun) {
            ++begin;
            continue;
        }
        std::size_t end = begin;
        while (end < tailBegin && expected[end] != anyRun) ++end;
        const std::size_t found = find_run(expected, begin, end, got, at, limit);
        if (found == std::string::npos) return false;
        at = found + (end - begin);
        begin = end;
    }
    return true;
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
