// quon_panel_fuzz: the fuzz target quon_add_panel(NAME ... FUZZ) builds for a
// panel in the fuzz build (libFuzzer, AddressSanitizer, UndefinedBehavior-
// Sanitizer). Each input becomes a life of the panel: created by its factory
// on the SDK's test host (quon_test_host.h), whose hand-back checks end the
// run on any fault of the reply protocol, then up to maxSteps events, each
// one a scenario step: control events on the panels and controls the panel
// has put properties on or its scenarios press (and on made-up ones),
// property messages (with the names and values its scenarios, hints file and
// answers use), timer ticks (those its scenarios, devices file and commands
// name), and
// changes of the devices its
// devices file declares, reported only where the panel registered, polls
// answered, as panel_host plays them. Commands are answered with null.
//
// With QUON_FUZZ_SCENARIO=FILE in the environment, the run of one input
// writes its steps so far to FILE, as a saved case (a scenario whose first
// lines name the fault) before each step is played: a crashing input leaves
// the scenario that led to the crash, which "panel_host cut" cuts down and
// "panel_host run" replays. QUON_FUZZ_KIND names the fault the input gave
// (crash, the default, hang, out-of-memory or leak). Compiled with
// QUON_FUZZ_PANEL (the name), QUON_FUZZ_DEVICES (the devices file, or ""),
// QUON_FUZZ_SCENARIOS, QUON_FUZZ_HINTS (the hints file, or ""),
// QUON_FUZZ_SOURCES, QUON_FUZZ_MEMORY_MB (the fuzzer's memory bound) and
// QUON_FUZZ_LIBRARY.
#include "quon_export.h"
#include "quon_fuzz_devices.h"
#include "quon_fuzz_input.h"
#include "quon_fuzz_values.h"
#include "quon_test_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t maxSteps = 64;
constexpr std::size_t maxNames = 256;

// The steps of one input's run as a saved case, rewritten whole before each
// step is played.
class case_writer {
public:
    explicit case_writer(const char* file) : file_(file ? file : "") {
        const char* kind = std::getenv("QUON_FUZZ_KIND");
        kind_ = kind && *kind ? kind : "crash";
    }
    bool active() const { return !file_.empty(); }
    // Before the panel starts: a case without steps.
    void start() const {
        if (active()) write(default_fault());
    }
    void step(const std::string& line) {
        if (!active()) return;
        steps_.push_back(line);
        write(default_fault());
    }
    void fault(const std::string& why) {
        kind_ = "reply";
        if (active()) write(why);
    }

private:
    std::string default_fault() const {
        if (kind_ == "hang") return "the panel did not return in time";
        if (kind_ == "out-of-memory")
            return "the panel used more memory than the fuzzer allows (" + memory_mb() + " MB)";
        if (kind_ == "leak") return "the panel leaked memory (the leak sanitizer's report)";
        return "the panel crashed or ended the process";
    }
    void write(const std::string& fault) const {
        std::string text = "# fuzz_" QUON_FUZZ_PANEL " found this fault in check \"events\" (" + kind_ + ")\n";
        text += "# fault: " + one_line(fault) + "\n";
        text += "# replay: panel_host run " QUON_FUZZ_LIBRARY " " + file_ + (kind_ == "hang" ? " --timeout 10" : "") +
                (kind_ == "out-of-memory" ? " --memory-limit " + memory_mb() : "") +
                (kind_ == "reply" ? " --strict" : "") + "\n";
        if (*QUON_FUZZ_DEVICES) text += "devices " + quoted(QUON_FUZZ_DEVICES) + "\n";
        for (const std::string& s : steps_) text += s + "\n";
        // Written beside, then renamed: a crash leaves the last whole file.
        const std::string part = file_ + ".part";
        std::FILE* out = std::fopen(part.c_str(), "wb");
        if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0 ||
            std::rename(part.c_str(), file_.c_str()) != 0) {
            std::fprintf(stderr, "fuzz_" QUON_FUZZ_PANEL ": cannot write %s\n", file_.c_str());
            std::abort();
        }
    }
    static std::string memory_mb() { return std::to_string(QUON_FUZZ_MEMORY_MB); }
    static std::string one_line(std::string s) {
        std::replace(s.begin(), s.end(), '\n', ' ');
        return s;
    }

public:
    // A scenario's TEXT: between double quotes, with \" \\ and \n escaped,
    // and every other byte outside printable ASCII as \xNN, so that a case
    // holds nothing a terminal acts on.
    static std::string quoted(const std::string& text) {
        static const char hex[] = "0123456789abcdef";
        std::string out = "\"";
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') out += '\\';
            if (c == '\n') out += "\\n";
            else if (byte < 0x20 || byte >= 0x7f) out += std::string("\\x") + hex[byte >> 4] + hex[byte & 15];
            else out += c;
        }
        return out + "\"";
    }

private:
    std::string file_, kind_;
    std::vector<std::string> steps_;
};

void add_name(std::vector<std::string>& names, const std::string& name) { quon_fuzz_values::add(names, name); }

// The quoted fields of a command, 'like' 'this', from the last backwards.
std::vector<std::string> quoted_fields_from_end(const std::string& command, std::size_t count) {
    std::vector<std::string> fields;
    std::size_t end = command.size();
    while (fields.size() < count && end >= 2 && command[end - 1] == '\'') {
        const std::size_t open = command.rfind('\'', end - 2);
        if (open == std::string::npos) break;
        fields.push_back(command.substr(open + 1, end - open - 2));
        end = open > 0 ? open - 1 : 0; // before the space
    }
    return fields;
}

// What the panel's scenarios, hints file and sources name (QUON_FUZZ_SCENARIOS
// and QUON_FUZZ_SOURCES: files apart by "|"; QUON_FUZZ_HINTS: the file or
// ""): a button never put on does not show in the commands, a value compared
// with never in answers.
quon_fuzz_values named_values() {
    quon_fuzz_values names;
    std::istringstream scenarios(QUON_FUZZ_SCENARIOS), sources(QUON_FUZZ_SOURCES);
    for (std::string file; std::getline(scenarios, file, '|');) names.read_scenario(file);
    if (*QUON_FUZZ_HINTS) names.read_hints(QUON_FUZZ_HINTS);
    for (std::string file; std::getline(sources, file, '|');) names.read_source_literals(file);
    return names;
}

class fuzz_run {
public:
    fuzz_run(quon_fuzz_input& in, quon_fuzz_devices& devices, const quon_fuzz_values& names, case_writer& out)
        : in_(in), devices_(devices), out_(out), panels_(names.panels), controls_(names.controls),
          properties_(names.properties), values_(names.values), events_(names.events), timers_(names.timers) {
        timers_.insert(timers_.end(), devices.timers.begin(), devices.timers.end());
        host_.onFault = [this](const std::string& fault) {
            out_.fault(fault);
            std::fprintf(stderr, "fuzz_" QUON_FUZZ_PANEL ": %s\n", fault.c_str());
            std::abort();
        };
    }

    void play() {
        out_.start();
        host_.start(load_quon_client_script, QUON_FUZZ_PANEL);
        settle(0);
        for (std::size_t n = 0; n < maxSteps && in_.remaining() > 0; ++n) {
            const std::size_t from = host_.calls.size();
            event();
            settle(from);
        }
        host_.stop();
    }

private:
    // What the panel sent since `from`: names, timers and the devices'
    // side; then the reports it is owed, each delivered as panel_host does.
    void settle(std::size_t from) {
        for (std::size_t delivered = 0;; ++delivered) {
            for (const std::string& command : host_.commands(from)) learn(command);
            from = host_.calls.size();
            if (devices_.pending.empty() || delivered == 100000) return;
            const quon_fuzz_devices::report r = devices_.pending.front();
            devices_.pending.pop_front();
            host_.report(r.device, r.index, r.state, r.text);
        }
    }

    void learn(const std::string& command) {
        const std::string code = command.substr(0, command.find(' '));
        if (code == "TP") {
            const std::vector<std::string> f = quoted_fields_from_end(command, 2);
            if (f.size() == 2) add_name(controls_, f[0]), add_name(panels_, f[1]);
        } else if (code == "PS") {
            const std::vector<std::string> f = quoted_fields_from_end(command, 2);
            if (f.size() == 2) add_name(panels_, f[1]);
        } else if (code == "ET" && timers_.size() < maxNames) {
            timers_.push_back(std::atoi(command.c_str() + 2));
        }
        devices_.command(command);
    }

    void event() {
        switch (in_.number(0, 5)) {
        case 0:
        case 1:
            return button();
        case 2:
            return property();
        case 3: {
            const int id = timers_.empty() || in_.flag() ? in_.number(0, 9) : pick(timers_);
            out_.step("timer " + std::to_string(id));
            host_.timer(id);
            return;
        }
        default:
            return change();
        }
    }

    void button() {
        const std::string panel = panels_.empty() || in_.number(0, 7) == 0 ? "1" : pick(panels_);
        const std::string control = controls_.empty() || in_.number(0, 4) == 0 ? word() : pick(controls_);
        std::string event;
        switch (in_.number(0, 4)) {
        case 0:
            event = "press";
            break;
        case 1:
            event = "release";
            break;
        case 2:
            event = "press=" + value();
            break;
        case 3:
            event = word() + "=" + value();
            break;
        default:
            event = events_.empty() || in_.flag() ? word() : pick(events_);
        }
        out_.step("button " + panel + " " + control + " " + case_writer::quoted(event));
        host_.button(panel.c_str(), control.c_str(), event.c_str());
    }

    void property() {
        std::string message;
        switch (in_.number(0, 5)) {
        case 0:
            message = in_.flag() ? "_commands" : "_events";
            break;
        case 1:
            message = "return=" + (properties_.empty() || in_.flag() ? std::string("all") : pick(properties_));
            break;
        case 2:
            message = text(32);
            break;
        default: {
            // A made-up name or value is a text of its own in the input, so
            // that libFuzzer can put there what the panel compared it with.
            const std::string name = properties_.empty() || in_.number(0, 2) == 0 ? word() : pick(properties_);
            const int from = in_.number(0, 2);
            message = name + "=" + (from == 0 ? text(16) : from == 1 || values_.empty() ? value() : pick(values_));
        }
        }
        out_.step("property " + case_writer::quoted(message));
        // The names an answer lists ("a=[value],b=...") are tried later.
        const std::optional<std::string> answer = host_.property(message.c_str());
        for (std::size_t at = 0; answer && at < answer->size();) {
            const std::size_t end = std::min(answer->find(',', at), answer->size());
            const std::string item = answer->substr(at, end - at);
            add_name(properties_, item.substr(0, item.find('=')));
            at = end + 1;
        }
    }

    // A change of the first router, GPI or information device, as the
    // route, gpi and info steps make it.
    void change() {
        using devices = quon_fuzz_devices;
        const devices::kind kind = static_cast<devices::kind>(in_.number(0, 2));
        devices::device* d = devices_.first(kind);
        if (!d || d->size < 1) return button();
        const int index = in_.number(1, d->size);
        std::string state;
        if (kind == devices::router) {
            state = std::to_string(in_.number(0, d->sources));
            out_.step("route " + std::to_string(index) + " " + (state == "0" ? std::string("park") : state));
        } else if (kind == devices::gpi) {
            state = in_.flag() ? "1" : "0";
            out_.step("gpi " + std::to_string(index) + (state == "1" ? " on" : " off"));
        } else {
            state = value();
            out_.step("info " + std::to_string(index) + " " + case_writer::quoted(state));
        }
        devices_.change(*d, index, state);
    }

    // Printable text, up to the first byte a scenario cannot carry (a
    // control character, a NUL as a C text ends) and a word up to a space
    // or quote: each stands in the input as it is, where libFuzzer puts
    // what the panel compared it with (quon_string's == goes through the
    // memcmp it watches, the text's NUL included).
    std::string text(std::size_t max) { return in_.text(max); }
    std::string word() {
        std::string s = text(16);
        s.resize(std::min(s.size(), s.find_first_of(" \"")));
        return s.empty() ? "x" : s;
    }
    // A value in the shapes panels read: empty, a small or any number, a
    // text, a long text, or a name or value the panel uses.
    std::string value() {
        switch (in_.number(0, 7)) {
        case 0:
            return "";
        case 1:
        case 2:
            return std::to_string(in_.number(-2, 20));
        case 3:
            return std::to_string(in_.number(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        case 4:
            return std::string(in_.number<std::size_t>(256, 2048), 'x');
        case 5:
            return controls_.empty() ? text(16) : pick(controls_);
        case 6:
            return values_.empty() ? text(16) : pick(values_);
        default:
            return text(24);
        }
    }
    template <class T>
    T pick(const std::vector<T>& from) {
        return from[in_.number<std::size_t>(0, from.size() - 1)];
    }

    quon_fuzz_input& in_;
    quon_fuzz_devices& devices_;
    case_writer& out_;
    quon_test_host host_;
    std::vector<std::string> panels_, controls_, properties_, values_, events_;
    std::vector<int> timers_;
};

quon_fuzz_devices declared_devices() {
    quon_fuzz_devices devices;
    std::string error;
    if (*QUON_FUZZ_DEVICES && !devices.read(QUON_FUZZ_DEVICES, error)) {
        std::fprintf(stderr, "fuzz_" QUON_FUZZ_PANEL ": %s\n", error.c_str());
        std::abort();
    }
    return devices;
}

} // namespace

// With QUON_FUZZ_DICTIONARY=FILE in the environment, the target writes the
// libFuzzer dictionary of the names and values to FILE and ends.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* dictionary = std::getenv("QUON_FUZZ_DICTIONARY");
    if (!dictionary || !*dictionary) return 0;
    const std::string text = named_values().dictionary();
    std::FILE* out = std::fopen(dictionary, "wb");
    const bool written = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (!out || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "fuzz_" QUON_FUZZ_PANEL ": cannot write %s\n", dictionary);
        std::exit(1);
    }
    std::exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const quon_fuzz_devices declared = declared_devices();
    static const quon_fuzz_values names = named_values();
    quon_fuzz_input in(data, size);
    quon_fuzz_devices devices = declared; // at the start, no registrations
    case_writer out(std::getenv("QUON_FUZZ_SCENARIO"));
    fuzz_run run(in, devices, names, out);
    run.play();
    return 0;
}
