// Fuzz target: the host's command parser on arbitrary bytes; the input up to
// its first NUL is the command text a script sends. It must never crash, and
// a command it accepts must be exactly the text its code and fields write
// back (numbers in plain decimal, texts between apostrophes, 'ADD'): nothing
// is accepted that a script formatting its fields could not have sent.
#include "session/command_parser.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace quon::host;

namespace {

std::string written(const host_command& c) {
    std::string out = c.code;
    for (std::int32_t n : c.numbers) out += " " + std::to_string(n);
    if (c.add) out += " 'ADD'";
    for (std::size_t i = 0; i < c.texts.size(); ++i) out += (i == 0 ? " '" : "' '") + c.texts[i];
    if (!c.texts.empty()) out += "'";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const parsed_command p = parse_command(text.c_str());
    const std::string sent = text.c_str(); // what a script's NUL-terminated text holds
    if (!p.ok) {
        FUZZ_CHECK(!p.error.empty(), "a rejected command says why");
        return 0;
    }
    FUZZ_CHECK(p.command.known && p.command.code == p.command.known->code, "only the table's codes are accepted");
    FUZZ_CHECK(p.command.numbers.empty() || p.command.texts.empty(), "numbers or texts, never both");
    FUZZ_CHECK(written(p.command) == sent, "the fields write back the command exactly");
    return 0;
}
