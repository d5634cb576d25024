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

using namespace quon::host;

namespace {

// The scenario's own writer; an expect-commands block's lines follow it.
std::string canonical(const scenario& s) {
    std::string out;
    for (const scenario_step& step : s.steps) {
        out += write_step(step.action) + "\n";
        if (const auto* block = std::get_if<expect_commands_step>(&step.action); block && !block->lines.empty()) {
            for (const std::string& line : block->lines) out += line + "\n";
            out += "end\n";
        }
    }
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
