// Fuzz target: the scenario parser on arbitrary bytes, as a scenario file's
// text. It must never crash or hang; an error names "file:line". A scenario
// it accepts is written back in one canonical form (every free text quoted),
// and that form must read back to itself: no step loses or changes a field
// on the way through the file format.
#include "fuzz_check.h"
#include "scenario/format.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

using namespace quon::host;

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else out += c;
    }
    return out + "\"";
}

std::string number(std::int32_t n) { return std::to_string(n); }

struct step_writer {
    std::string operator()(const start_step&) const { return "start"; }
    std::string operator()(const stop_step&) const { return "stop"; }
    std::string operator()(const route_step& s) const {
        return "route " + number(s.destination) + " " + (s.source == 0 ? "park" : number(s.source));
    }
    std::string operator()(const gpi_step& s) const { return "gpi " + number(s.input) + (s.on ? " on" : " off"); }
    std::string operator()(const umd_step& s) const { return "umd " + number(s.display) + " " + quoted(s.text); }
    std::string operator()(const tally_step& s) const { return "tally " + number(s.display) + " " + s.state; }
    std::string operator()(const info_step& s) const { return "info " + number(s.slot) + " " + quoted(s.text); }
    std::string operator()(const source_step& s) const {
        return "source " + number(s.source) + " " + quoted(s.picture);
    }
    std::string operator()(const property_step& s) const { return "property " + quoted(s.message); }
    std::string operator()(const button_step& s) const {
        return "button " + s.panel + " " + s.control + " " + quoted(s.event);
    }
    std::string operator()(const timer_step& s) const { return "timer " + number(s.id); }
    std::string operator()(const wait_step& s) const { return "wait " + number(s.ms); }
    std::string operator()(const say_step& s) const { return "say " + quoted(s.text); }
    std::string operator()(const expect_commands_step& s) const {
        if (s.lines.empty()) return "expect-commands none";
        std::string out = "expect-commands";
        for (const std::string& line : s.lines) out += "\n" + line;
        return out + "\nend";
    }
    std::string operator()(const expect_property_step& s) const {
        return "expect-property " + (s.panel.empty() ? "" : s.panel + "/") + s.control + " " + s.property + " " +
               quoted(s.value);
    }
    std::string operator()(const expect_answer_step& s) const {
        return "expect-answer " + (s.answer ? quoted(*s.answer) : std::string("null"));
    }
    std::string operator()(const expect_debug_step& s) const { return "expect-debug " + quoted(s.text); }
    std::string operator()(const snapshot_step& s) const { return "snapshot " + s.file; }
    std::string operator()(const devices_step& s) const { return "devices " + quoted(s.file); }
};

std::string canonical(const scenario& s) {
    std::string out;
    for (const scenario_step& step : s.steps) out += std::visit(step_writer{}, step.action) + "\n";
    return out;
}

bool lines_fit(const std::string& text) {
    std::size_t start = 0;
    for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start = nl + 1))
        if (nl - start >= maxScenarioLineBytes) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    scenario first;
    std::string error;
    if (!parse_scenario(text, "f.scn", first, error)) {
        FUZZ_CHECK(error.compare(0, 6, "f.scn:") == 0, "a syntax error names the file and line");
        return 0;
    }
    const std::string written = canonical(first);
    if (!lines_fit(written)) return 0; // quoting made a line longer than a scenario may hold
    scenario second;
    FUZZ_CHECK(parse_scenario(written, "f.scn", second, error), "the canonical form parses");
    FUZZ_CHECK(second.steps.size() == first.steps.size(), "as many steps");
    FUZZ_CHECK(second.explicitStart == first.explicitStart, "the same start");
    FUZZ_CHECK(canonical(second) == written, "the canonical form reads back to itself");
    for (std::size_t i = 0; i < first.steps.size(); ++i)
        FUZZ_CHECK(first.steps[i].action.index() == second.steps[i].action.index(), "the same kinds of step");
    return 0;
}
