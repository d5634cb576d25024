#include "emulated_host.h"

#include "quon_hand_back.h"
#include "step_guard.h"

#include <cstring>

void* emulated_host::deletingDestructor(unsigned) {
    log_.problem("script called the host's destructor; ignored");
    return this;
}

char* emulated_host::callback(void* arg, unsigned kind) {
    const step_guard_emulator_time emulatorTime; // this host's work is not the panel's time
    if (onCall_) onCall_();
    if (kind == quon_kind_release) {
        hand_back(static_cast<char*>(arg));
        return nullptr;
    }
    if (kind != quon_kind_command) {
        log_.unexpected(kind);
        return nullptr;
    }
    const char* text = static_cast<const char*>(arg);
    log_.command(text);
    commands_.push_back(text ? text : "(null)");
    ignored_.reset(); // a reply the script only tests for null is not read after its next command
    parsed_command parsed = parse_command(text);
    if (!parsed.ok) {
        log_.malformed(parsed.error);
        return nullptr;
    }
    std::optional<std::string> answer = execute(parsed.command);
    log_.reply(answer ? &*answer : nullptr);
    if (!answer) return nullptr;
    return keep(*answer, quon_reply_handed_back(text, "reply"));
}

void emulated_host::hand_back(char* p) {
    if (!p) {
        log_.hand_back(nullptr);
        return;
    }
    auto it = owed_.find(p);
    if (it == owed_.end()) {
        log_.problem(ignored_ && p == ignored_.get()
                         ? "script handed back a reply that is never handed back"
                         : "script handed back a text this host never gave or already took back");
        return;
    }
    const std::string text(p);
    log_.hand_back(&text);
    owed_.erase(it);
}

char* emulated_host::keep(const std::string& text, bool owed) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    char* p = copy.get();
    if (owed) owed_.emplace(p, std::move(copy));
    else ignored_ = std::move(copy);
    return p;
}

std::vector<status_report> emulated_host::take_pending() {
    std::vector<status_report> out;
    out.swap(pending_);
    return out;
}

bool emulated_host::check_device(const host_command& c, device_type expected) {
    std::optional<device_type> t = devices_.type_of(c.numbers[0]);
    if (t == expected) return true;
    log_.problem("no " + std::string(device_type_name(expected)) + " device numbered " +
                 std::to_string(c.numbers[0]) + "; " + c.code + " ignored");
    return false;
}

std::optional<std::string> emulated_host::execute(const host_command& c) {
    const std::string& code = c.code;
    const device_type type = code[0] == 'R' ? device_type::router
                             : code[0] == 'G' ? device_type::gpi
                                              : device_type::info;
    if (code == "PS") {
        page_.show(c.texts[0], c.texts[1]);
        log_.note("panel " + c.texts[0] + " shown from " + c.texts[1]);
        return std::string("OK"); // tested for null only, never handed back
    }
    if (code == "TP") {
        if (!page_.put(c.texts[0], c.texts[1], c.texts[2]))
            log_.problem("TP assignment \"" + c.texts[0] + "\" has no \"=\"; page unchanged");
        return std::nullopt;
    }
    if (code == "TG") {
        std::optional<std::string> v = page_.get(c.texts[0], c.texts[1], c.texts[2]);
        if (!v) log_.note("no control " + c.texts[1] + " on panel " + c.texts[0]);
        return v;
    }
    if (code == "XI") {
        std::string ids = page_.ids(c.texts[0], c.texts[1]);
        if (ids.empty()) return std::nullopt; // no ids: an empty list
        return ids;
    }
    if (code == "RN") {
        if (!check_device(c, device_type::router)) return std::nullopt;
        std::optional<std::string> name = devices_.source_name(c.numbers[0], c.numbers[1], c.numbers[2]);
        if (!name)
            log_.note("no name for source " + std::to_string(c.numbers[2]) + " with selector " +
                      std::to_string(c.numbers[1]) + " on device " + std::to_string(c.numbers[0]));
        return name;
    }
    if (code == "RR" || code == "GR" || code == "IR") {
        if (check_device(c, type)) devices_.register_range(c.numbers[0], c.numbers[1], c.numbers[2], c.add);
        return std::nullopt;
    }
    if (code == "RP" || code == "GP" || code == "IP") {
        if (!check_device(c, type)) return std::nullopt;
        int skipped = 0;
        std::vector<status_report> reports = devices_.poll(c.numbers[0], c.numbers[1], c.numbers[2], skipped);
        log_.note("poll: " + std::to_string(reports.size()) + " reports queued");
        if (skipped > 0)
            log_.problem("poll asks for " + std::to_string(skipped) + " indices the " + device_type_name(type) +
                         " device does not have");
        pending_.insert(pending_.end(), reports.begin(), reports.end());
        return std::nullopt;
    }
    if (code == "RU" || code == "GU" || code == "IU") {
        if (check_device(c, type)) devices_.unregister(c.numbers[0]);
        return std::nullopt;
    }
    if (code == "ET") {
        log_.note("timer " + std::to_string(c.numbers[0]) + " stopped");
        return std::nullopt;
    }
    if (code == "AS") {
        shutDown_ = true;
        log_.note("script signed off");
    }
    return std::nullopt;
}
