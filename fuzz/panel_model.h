// panel_model: what the kivren panel must send or answer, written out plainly
// from its tables, for the boundary fuzz target to compare against. Where the
// panel's behaviour is the implementer's choice (a source number outside the
// table, a lit lamp with a negative number, a tally text that is no number),
// every acceptable outcome is listed.
#ifndef PANEL_MODEL_H
#define PANEL_MODEL_H

#include "split_message.h"

#include <optional>
#include <string>
#include <vector>

// The string component's toInt: an optional sign and decimal digits making up
// the whole text, within 32 bits; nullopt for anything else.
inline std::optional<long long> model_to_int(const std::string& s) {
    std::size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (i == s.size()) return std::nullopt;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483648LL) return std::nullopt;
    }
    if (s[0] == '-') v = -v;
    if (v > 2147483647LL) return std::nullopt;
    return v;
}

class panel_model {
public:
    using commands = std::vector<std::string>;

    // pictures[n]: the host's answer to "RN 3 6 n", or "" for null or no host.
    explicit panel_model(const std::vector<std::string>& pictures) : pictures_(pictures) {
        pictures_.resize(17);
        pictures_[0] = "chanimg/parked.jpg";
    }

    // Every command list the panel may send for one status report.
    std::vector<commands> report(int device, int index, int state, const std::string& text) const {
        const std::string i = std::to_string(index);
        if (device == 3) {
            if (state >= 0 && state <= 16) return {{put("pixmap", pictures_[state], "Mon_" + i)}};
            return {{}, {put("pixmap", pictures_[0], "Mon_" + i)}};
        }
        if (device == 1 && index <= 16) {
            if (state != 0 && index < 0) return {{}, lamp(0, i)};
            return {lamp(state == 0 ? 0 : index, i)};
        }
        if (device == 2 && index >= 1 && index <= 12) return {{put("text", text, "UMD_" + i)}};
        if (device == 2 && index >= 21 && index <= 32) {
            const std::string n = std::to_string(index - 20);
            std::optional<long long> t = model_to_int(text);
            if (!t) return {{}, tally(0, n)};
            if (*t < 0 || *t > 3) return {{}};
            return {tally(static_cast<int>(*t), n)};
        }
        return {{}};
    }

    // The answer to a property message; empty for none. Keeps "myParam".
    std::string property(const char* message) {
        splitMessage m(message);
        const std::string name = m.name, value = m.value;
        if (name == "return") return value == "all" || value == "myParam" ? "myParam=" + myParam_ : "";
        if (name == "myParam") myParam_ = value;
        if (name == "_events") return "notify=*";
        if (name == "_commands") return "myParam=[value]";
        return "";
    }

private:
    static std::string put(const std::string& name, const std::string& value, const std::string& control) {
        return "TP '" + name + "=" + value + "' '1' '" + control + "'";
    }
    static commands lamp(int entry, const std::string& i) {
        static const char* const background[17] = {"#000000", "#ff0000", "#00ff00", "#2020ff", "#c0c000", "#cb54c9",
                                                   "#ffc783", "#d1d810", "#1fa69d", "#ffffdc", "#ffaaff", "#aaffbc",
                                                   "#3a30ff", "#ffff7f", "#ffffdc", "#ffffdc", "#e6e9ff"};
        static const char* const text[17] = {"#ffffff", "#ffffff", "#000000", "#ffffff", "#ffffff", "#ffffff",
                                             "#000000", "#000000", "#ffffff", "#000000", "#000000", "#000000",
                                             "#ffffff", "#000000", "#000000", "#000000", "#000000"};
        return {put("colour.background", background[entry], "GPI_" + i), put("colour.text", text[entry], "GPI_" + i)};
    }
    static commands tally(int state, const std::string& n) {
        const char* off = "#000000";
        const char* on = "#E00000";
        return {put("colour.background", (state & 1) ? on : off, "UMDL_" + n),
                put("colour.background", (state & 2) ? on : off, "UMDR_" + n)};
    }

    std::vector<std::string> pictures_;
    std::string myParam_;
};

#endif
