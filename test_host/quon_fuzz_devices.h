// quon_fuzz_devices: the devices a panel's fuzz target plays, read from the
// panel's devices file (docs/formats.md, "Devices file") as panel_host reads
// it: the routers, GPI and information devices with their sizes and their
// states at the start, and the declared timers. As panel_host does, it keeps
// the panel's registrations (RR, GR, IR and their unregistering), answers its
// polls (RP, GP, IP) with one report per index, and reports a change only for
// a registered index. Names, aliases, the layout and the host's own commands
// are not played: the fuzz target's steps are those of a scenario.
#ifndef QUON_FUZZ_DEVICES_H
#define QUON_FUZZ_DEVICES_H

#include <cstdint>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

class quon_fuzz_devices {
public:
    enum kind { router, gpi, info };
    struct device {
        kind type = router;
        int size = 0, sources = 0;       // indices 1..size; a router's sources 0..sources
        std::vector<std::string> states; // index -> state text; [0] unused
        std::vector<std::pair<int, int>> registered;
    };
    struct report {
        int device = 0, index = 0, state = 0;
        std::string text;
    };

    std::vector<int> timers;    // the declared timers' ids
    std::deque<report> pending; // reports owed to the panel, in order

    // Reads a devices file; false with the line it could not take.
    bool read(const std::string& path, std::string& error) {
        std::ifstream file(path);
        if (!file) return (error = "cannot read " + path), false;
        int lineNumber = 0;
        for (std::string line; std::getline(file, line);) {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!take_line(line)) return (error = path + ":" + std::to_string(lineNumber) + ": not understood"), false;
        }
        return true;
    }

    // The first device of a type (the one a scenario's steps act on), or null.
    device* first(kind type) {
        for (int number : order_)
            if (devices_[number].type == type) return &devices_[number];
        return nullptr;
    }
    int number_of(const device* d) const {
        for (const auto& [number, each] : devices_)
            if (&each == d) return number;
        return 0;
    }

    // A command the panel sent: registrations change, polls queue reports.
    void command(const std::string& text) {
        std::istringstream words(text);
        std::string code;
        long long device = 0;
        words >> code >> device;
        if (code.size() != 2 || !words || !devices_.count(static_cast<int>(device))) return;
        registration_or_poll(devices_[static_cast<int>(device)], code, words);
    }

    // Sets index `index` of `d` to `state`; queues its report when registered.
    void change(device& d, int index, const std::string& state) {
        d.states[static_cast<std::size_t>(index)] = state;
        for (const auto& [first, last] : d.registered)
            if (index >= first && index <= last) return pending.push_back(report_of(d, index));
    }

private:
    void registration_or_poll(device& d, const std::string& code, std::istringstream& words) {
        if (code[0] != 'R' && code[0] != 'G' && code[0] != 'I') return;
        if (code[1] == 'U') return d.registered.clear();
        long long first = 0, last = 0;
        if (!(words >> first >> last)) return;
        std::string add;
        if (code[1] == 'R') {
            if (!(words >> add)) d.registered.clear();
            d.registered.emplace_back(static_cast<int>(first), static_cast<int>(last));
        } else if (code[1] == 'P') {
            for (long long i = first < 1 ? 1 : first; i <= last && i <= d.size; ++i)
                pending.push_back(report_of(d, static_cast<int>(i)));
        }
    }

    report report_of(const device& d, int index) const {
        const std::string& text = d.states[static_cast<std::size_t>(index)];
        return {number_of(&d), index, decimal(text), text};
    }

    // A plain decimal within 32 bits, else 0 (a slot's text that is no number).
    static int decimal(const std::string& s) {
        std::size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
        if (i == s.size() || s.size() > 11) return 0;
        long long v = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return 0;
            v = v * 10 + (s[i] - '0');
        }
        v = s[0] == '-' ? -v : v;
        return v < INT32_MIN || v > INT32_MAX ? 0 : static_cast<int>(v);
    }

    static bool field(const std::string& word, const char* name, int& out) {
        const std::string prefix = std::string(name) + "=";
        if (word.compare(0, prefix.size(), prefix) != 0) return false;
        out = decimal(word.substr(prefix.size()));
        return out >= 0 && out <= 100000;
    }

    bool take_line(const std::string& line) {
        std::istringstream words(line);
        std::string item, rest;
        int number = 0;
        if (!(words >> item) || item[0] == '#') return true;
        if (item == "timer") {
            if (words >> number) timers.push_back(number);
            return true;
        }
        if (item == "router" || item == "gpi" || item == "info") {
            if (!(words >> number) || devices_.count(number)) return false;
            device d;
            d.type = item == "router" ? router : item == "gpi" ? gpi : info;
            for (std::string w; words >> w;) {
                field(w, "destinations", d.size) || field(w, "inputs", d.size) || field(w, "slots", d.size) ||
                    field(w, "sources", d.sources);
            }
            d.states.assign(static_cast<std::size_t>(d.size) + 1, "0");
            if (d.type == info) d.states.assign(d.states.size(), "");
            devices_[number] = d;
            order_.push_back(number);
            return true;
        }
        if (item != "state") return true; // names, aliases, layout, commands: not played
        std::string range;
        if (!(words >> number >> range) || !devices_.count(number)) return false;
        std::getline(words >> std::ws, rest);
        return set_states(devices_[number], range, rest);
    }

    bool set_states(device& d, const std::string& range, const std::string& value) {
        const std::size_t dots = range.find("..");
        const int first = decimal(range.substr(0, dots));
        const int last = dots == std::string::npos ? first : decimal(range.substr(dots + 2));
        if (first < 1 || last > d.size) return false;
        for (int i = first; i <= last; ++i) {
            std::string text = value;
            for (std::size_t at; (at = text.find("{n}")) != std::string::npos;) text.replace(at, 3, std::to_string(i));
            if (text == "park" || text == "off") text = "0";
            if (text == "on") text = "1";
            d.states[static_cast<std::size_t>(i)] = text;
        }
        return true;
    }

    std::map<int, device> devices_;
    std::vector<int> order_; // numbers in the order declared
};

#endif
