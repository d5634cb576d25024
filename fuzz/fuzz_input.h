// fuzz_input: turns fuzz bytes into the texts a host may send or answer.
// Texts never hold a NUL (a C text ends there), so what the script sees and
// what a check expects are the same bytes.
#ifndef FUZZ_INPUT_H
#define FUZZ_INPUT_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <optional>
#include <string>

// A text of up to max_length bytes, cut at its first NUL.
inline std::string draw_text(FuzzedDataProvider& in, std::size_t max_length = 64) {
    std::string s = in.ConsumeRandomLengthString(max_length);
    return std::string(s.c_str());
}

// A reply to a command, in the shapes hosts give: null, empty, a text without
// "=", "name=value", a number, a huge text, and a list with many commas.
inline std::optional<std::string> draw_reply(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 8)) {
    case 0:
        return std::nullopt;
    case 1:
        return std::string();
    case 2:
        return draw_text(in);
    case 3:
        return "value=" + std::to_string(in.ConsumeIntegralInRange(-2, 9));
    case 4:
        return draw_text(in, 16) + "=" + draw_text(in);
    case 5:
        return std::to_string(in.ConsumeIntegral<int>());
    case 6: {
        // Large enough to leave every inline buffer and fixed-size array behind.
        std::string huge(in.ConsumeIntegralInRange<std::size_t>(256, 4096), 'x');
        std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, huge.size() - 1);
        huge[at] = in.ConsumeBool() ? '=' : ',';
        return huge;
    }
    case 7: {
        std::string list;
        int items = in.ConsumeIntegralInRange(0, 300);
        bool plain = in.ConsumeBool();
        for (int i = 0; i < items; ++i) {
            if (i) list += ',';
            list += plain ? "alm_" + std::to_string(i + 1) : draw_text(in, 8);
        }
        return list;
    }
    default:
        return std::string(in.ConsumeIntegralInRange<std::size_t>(1, 40), ',');
    }
}

#endif
