// Fuzz target: the whole host boundary of the panel. The input becomes a
// kivren created through load_quon_client_script (sometimes with no host),
// then a run of callback(arg, kind) calls of every kind and beyond, with
// records and texts of any content, then its destruction through slot 0.
// The host double answers every command from the input as well ("RN" with
// null, empty, huge or comma-laden texts, and the rest likewise).
//
// Checked on every call: each command parses as a known code with its fields;
// each event sends exactly what the panel model allows (a report its "TP"
// updates, a tick its "ET", everything else nothing); replies owed back come
// back once, right away; a property answer is null or the model's text, and
// its hand-back frees it (the sanitizers see a wrong free, a double free or a
// leak).
#include "session/command_parser.h"
#include "base/device_report_record.h"
#include "fuzz_check.h"
#include "fuzz_host.h"
#include "fuzz_input.h"
#include "panel_model.h"
#include "quon_export.h"
#include "quon_button_record.h"
#include "split_message.h"
#include "quon_debug.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace quon::host;

namespace {

void silent(void*, const char*) {}

// A revertive record exactly as long as its text needs, so that a read past
// the text's NUL leaves the block.
std::vector<char> make_revertive(FuzzedDataProvider& in) {
    std::int32_t fields[4];
    const int deviceChoice = in.ConsumeIntegralInRange(0, 4);
    fields[0] = deviceChoice < 3 ? deviceChoice + 1 : in.ConsumeIntegral<std::int32_t>();
    fields[1] = in.ConsumeIntegral<std::int32_t>();
    fields[2] = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 45) : in.ConsumeIntegral<std::int32_t>();
    fields[3] = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 20) : in.ConsumeIntegral<std::int32_t>();
    std::string text;
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        text = std::to_string(in.ConsumeIntegralInRange(-1, 4));
        break;
    case 1:
        text = std::string(in.ConsumeIntegralInRange<std::size_t>(40, 4096), 'u');
        break;
    default:
        text = draw_text(in);
    }
    return device_report_record(fields[0], fields[2], fields[3], text, fields[1]);
}

std::string draw_property(FuzzedDataProvider& in) {
    static const char* const known[] = {"return=all", "return=myParam", "return=instance", "return",
                                        "_events",    "_events=1",      "_commands",       "instance"};
    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
        return known[in.ConsumeIntegralInRange<std::size_t>(0, sizeof known / sizeof *known - 1)];
    case 1:
        return "myParam" + std::string(in.ConsumeBool() ? ".x.y" : "") + "=" + draw_text(in);
    case 2:
        return "instance=" + draw_text(in);
    case 3:
        return std::string(in.ConsumeIntegralInRange<std::size_t>(0, 4096), in.ConsumeBool() ? '.' : '=');
    default:
        return draw_text(in);
    }
}

// A command from the log, checked against the host's command grammar.
std::string checked_command(const std::string& line) {
    FUZZ_CHECK(line.compare(0, 2, "C ") == 0, "no hand-back outside start-up");
    FUZZ_CHECK(parse_command(line.c_str() + 2).ok, "a well-formed command");
    return line.substr(2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (quon_set_debug_sink(&silent, nullptr), true);
    (void)quiet;
    FuzzedDataProvider in(data, size);

    fuzz_host host;
    host.reply = [&in](const std::string&) { return draw_reply(in); };
    const bool withHost = in.ConsumeIntegralInRange(0, 15) != 0;
    const std::string path = draw_text(in, 32);
    quon_client_callback* script = load_quon_client_script(withHost ? &host : nullptr, path.c_str());
    FUZZ_CHECK(script != nullptr, "the factory makes a script");

    // Start-up: sixteen name requests, each reply handed back, then the page
    // and the six register and poll commands.
    std::vector<std::string> commands;
    for (const std::string& line : host.log)
        if (line[0] == 'C') commands.push_back(line.substr(2));
    FUZZ_CHECK(commands.size() == (withHost ? 23u : 0u), "23 start-up commands with a host, none without");
    for (std::size_t i = 0; i < commands.size(); ++i) {
        FUZZ_CHECK(parse_command(commands[i].c_str()).ok, "a well-formed start-up command");
        if (i < 16) FUZZ_CHECK(commands[i] == "RN 3 6 " + std::to_string(i + 1), "source names in order");
    }
    std::vector<std::string> pictures(1);
    for (std::size_t n = 0; n < 16 && withHost; ++n) pictures.push_back(host.answers[n].value_or(""));
    panel_model model(pictures);
    std::size_t seen = host.log.size();

    std::vector<char*> answers; // kind 3 answers not handed back yet
    for (int events = 0; in.remaining_bytes() > 0 && events < 512; ++events) {
        const int what = in.ConsumeIntegralInRange(0, 9);
        char* result = nullptr;
        std::vector<panel_model::commands> allowed(1); // by default: nothing
        if (what == 0) {
            std::vector<char> record = make_revertive(in);
            std::int32_t f[4];
            std::memcpy(f, record.data(), sizeof f);
            allowed = model.report(f[0], f[2], f[3], record.data() + sizeof f);
            result = script->callback(record.data(), quon_kind_revertive);
        } else if (what == 1) {
            const std::string panel = draw_text(in, 8), id = draw_text(in, 16), event = draw_text(in, 32);
            splitMessage message(event.c_str());
            const int nulls = in.ConsumeIntegralInRange(0, 7);
            quon_button_record record{{in.ConsumeIntegral<std::int32_t>(), in.ConsumeIntegral<std::int32_t>()},
                                      (nulls & 1) ? nullptr : panel.c_str(),
                                      (nulls & 2) ? nullptr : id.c_str(),
                                      (nulls & 4) ? nullptr : &message};
            result = script->callback(&record, quon_kind_button);
        } else if (what == 2) {
            const bool nullText = in.ConsumeIntegralInRange(0, 15) == 0;
            const std::string message = nullText ? std::string() : draw_property(in);
            result = script->callback(nullText ? nullptr : const_cast<char*>(message.c_str()), quon_kind_property);
            const std::string want = model.property(nullText ? nullptr : message.c_str());
            if (want.empty()) {
                FUZZ_CHECK(result == nullptr, "an empty answer reaches the host as null");
            } else {
                FUZZ_CHECK(result != nullptr && want == result, "the property answer");
                answers.push_back(result);
                result = nullptr;
            }
        } else if (what == 3) {
            const std::int32_t id = in.ConsumeIntegral<std::int32_t>();
            result = script->callback(reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), quon_kind_timer);
            allowed = {{"ET " + std::to_string(id)}};
        } else if (what == 4 || what == 5) {
            // Hand back an answer (or null); the panel frees it.
            char* back = nullptr;
            if (!answers.empty() && what == 4) {
                std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, answers.size() - 1);
                back = answers[at];
                answers.erase(answers.begin() + static_cast<std::ptrdiff_t>(at));
            }
            result = script->callback(back, quon_kind_release);
        } else if (what == 6) {
            // Kinds 6 and 7 carry records the panel does not read.
            std::string record = draw_text(in, 32);
            result = script->callback(in.ConsumeBool() ? nullptr : &record[0],
                                      in.ConsumeBool() ? quon_kind_hook6 : quon_kind_hook7);
        } else {
            // Kind 0 and kinds beyond 7 must not touch their argument at all.
            unsigned kind = in.ConsumeBool() ? 0u : in.ConsumeIntegralInRange<unsigned>(8, 0xffffffffu);
            void* arg = reinterpret_cast<void*>(in.ConsumeIntegral<std::uintptr_t>());
            result = script->callback(arg, kind);
        }
        FUZZ_CHECK(result == nullptr, "only property messages are answered");
        panel_model::commands sent;
        for (; seen < host.log.size(); ++seen) sent.push_back(checked_command(host.log[seen]));
        bool expected = !withHost && sent.empty();
        for (const panel_model::commands& a : allowed) expected = expected || sent == a;
        FUZZ_CHECK(expected, "an event sends what the panel model says");
        if (host.keepLog && host.log.size() > 4096) {
            host.log.clear();
            host.answers.clear();
            seen = 0;
        }
    }

    for (char* back : answers) script->callback(back, quon_kind_release);
    script->deletingDestructor(1);
    if (withHost) {
        const std::vector<std::string> last(host.log.end() - 4, host.log.end());
        FUZZ_CHECK((last == std::vector<std::string>{"C RU 3", "C GU 1", "C IU 2", "C AS"}),
                   "shut-down unregisters, then \"AS\"");
    } else {
        FUZZ_CHECK(host.commands == 0, "nothing reaches a null host");
    }
    host.finish();
    return 0;
}
