#include "session/emulated_host.h"

#include "quon_hand_back.h"
#include "session/step_guard.h"

#include <cstring>

namespace quon::host {

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
    const std::vector<declared_command>& declared = devices_.declared().commands;
    parsed_command parsed = parse_command(text, declared);
    const std::string code = text ? std::string(text).substr(0, std::string(text).find(' ')) : std::string();
    const declared_command* own = parsed.command.known ? nullptr : devices_.declared().command(code);
    log_.command(text, parsed.command.known || own ? code : std::string());
    commands_.push_back(text ? text : "(null)");
    ignored_.reset(); // a reply the script only tests for null is not read after its next command
    if (shutDown_) {
        log_.problem("command after the panel signed off: " + commands_.back() + " (not executed)");
        return nullptr;
    }
    if (!parsed.ok) {
        log_.malformed(parsed.error);
        return nullptr;
    }
    if (own) {
        execute_declared(parsed.command, *own);
        return nullptr; // a declared command's reply is not modelled
    }
    std::optional<std::string> answer = execute(parsed.command);
    log_.reply(answer ? &*answer : nullptr);
    if (!answer) return nullptr;
    return keep(*answer, quon_reply_hand_back(parsed.command.known->reply) != quon_hand_back_never);
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
    log_.problem("no " + std::string(device_type_name(expected)) + " device numbered " + std::to_string(c.numbers[0]) +
                 "; " + c.code + " ignored");
    return false;
}

namespace {
// The devices a register, poll or unregister command addresses.
device_type family(quon_command_id id) {
    switch (id) {
    case quon_command_router_register:
    case quon_command_router_poll:
    case quon_command_router_unregister:
        return device_type::router;
    case quon_command_gpi_register:
    case quon_command_gpi_poll:
    case quon_command_gpi_unregister:
        return device_type::gpi;
    default:
        return device_type::info;
    }
}
} // namespace

// One case per row of the command table (quon_commands.h).
// Register, poll and unregister, on a device of the type the code names.
void emulated_host::execute_registration(const host_command& c, device_type type) {
    switch (c.known->id) {
    case quon_command_router_register:
    case quon_command_info_register:
    case quon_command_gpi_register:
        devices_.register_range(c.numbers[0], c.numbers[1], c.numbers[2], c.add, script_);
        return;
    case quon_command_router_unregister:
    case quon_command_info_unregister:
    case quon_command_gpi_unregister:
        devices_.unregister(c.numbers[0], script_);
        return;
    default: { // a poll
        int skipped = 0;
        std::vector<status_report> reports = devices_.poll(c.numbers[0], c.numbers[1], c.numbers[2], skipped);
        log_.note("poll: " + std::to_string(reports.size()) + " reports queued");
        if (skipped > 0)
            log_.problem("poll asks for " + std::to_string(skipped) + " indices the " + device_type_name(type) +
                         " device does not have");
        pending_.insert(pending_.end(), reports.begin(), reports.end());
    }
    }
}

std::optional<std::string> emulated_host::execute(const host_command& c) {
    const device_type type = family(c.known->id);
    switch (c.known->id) {
    case quon_command_panel_show:
        page_.show(c.texts[0], c.texts[1]);
        log_.note("panel " + c.texts[0] + " shown from " + c.texts[1]);
        return std::string("OK"); // tested for null only, never handed back
    case quon_command_text_put:
        if (!page_.put(c.texts[0], c.texts[1], c.texts[2]))
            log_.problem("TP assignment \"" + c.texts[0] + "\" has no \"=\"; page unchanged");
        return std::nullopt;
    case quon_command_text_get: {
        std::optional<std::string> v = page_.get(c.texts[0], c.texts[1], c.texts[2]);
        if (!v) log_.note("no control " + c.texts[1] + " on panel " + c.texts[0]);
        return v;
    }
    case quon_command_id_list: {
        std::string ids = page_.ids(c.texts[0], c.texts[1]);
        if (ids.empty()) return std::nullopt; // no ids: an empty list
        return ids;
    }
    case quon_command_router_name: {
        if (!check_device(c, device_type::router)) return std::nullopt;
        std::optional<std::string> name = devices_.source_name(c.numbers[0], c.numbers[1], c.numbers[2]);
        if (!name)
            log_.note("no name for source " + std::to_string(c.numbers[2]) + " with selector " +
                      std::to_string(c.numbers[1]) + " on device " + std::to_string(c.numbers[0]));
        return name;
    }
    case quon_command_router_register:
    case quon_command_info_register:
    case quon_command_gpi_register:
    case quon_command_router_poll:
    case quon_command_info_poll:
    case quon_command_gpi_poll:
    case quon_command_router_unregister:
    case quon_command_info_unregister:
    case quon_command_gpi_unregister:
        if (check_device(c, type)) execute_registration(c, type);
        return std::nullopt;
    case quon_command_timer_stop:
        timers_.stop(c.numbers[0]);
        log_.note("timer " + std::to_string(c.numbers[0]) + " stopped");
        return std::nullopt;
    case quon_command_sign_off:
        shutDown_ = true;
        log_.note("script signed off");
        return std::nullopt;
    case quon_command_count:
        break;
    }
    return std::nullopt;
}

void emulated_host::start_declared_timers() {
    timers_.stop_all();
    for (const declared_timer& t : devices_.declared().timers) timers_.start(t.id, t.periodMs);
}

void emulated_host::change(const device_change& c) {
    std::vector<addressed_report> reports;
    std::string why;
    if (!devices_.change(c, reports, why)) {
        log_.problem(why);
        return;
    }
    if (routeReports_) {
        routeReports_(std::move(reports));
        return;
    }
    for (const addressed_report& r : reports)
        if (r.script == script_) pending_.push_back(r.report);
}

void emulated_host::execute_declared(const host_command& c, const declared_command& d) {
    const std::vector<std::int32_t>& n = c.numbers;
    const std::string what = c.code + " (" + effect_name(d.effect) + ", declared at " + d.where + ")";
    switch (d.effect) {
    case command_effect::route:
    case command_effect::gpi:
    case command_effect::info: {
        const device_type type = d.effect == command_effect::route ? device_type::router
                                 : d.effect == command_effect::gpi ? device_type::gpi
                                                                   : device_type::info;
        if (!check_device(c, type)) return;
        const std::string value = d.effect == command_effect::route ? std::to_string(n[2])
                                  : d.effect == command_effect::gpi ? (n[2] != 0 ? "on" : "off")
                                                                    : c.texts[0];
        log_.note(what + ": device " + std::to_string(n[0]) + " index " + std::to_string(n[1]) + " set to \"" + value +
                  "\"");
        change({n[0], n[1], value});
        return;
    }
    case command_effect::timer_start: {
        std::string why;
        std::int32_t period = 0;
        if (!timer_period(std::to_string(n[1]), period, why)) {
            log_.problem(what + ": " + why);
            return;
        }
        timers_.start(n[0], period);
        log_.note(what + ": timer " + std::to_string(n[0]) + " every " + std::to_string(period) + " ms");
        return;
    }
    case command_effect::timer_stop:
        log_.note(what + ": timer " + std::to_string(n[0]) + (timers_.stop(n[0]) ? " stopped" : " was not running"));
        return;
    case command_effect::accept:
        log_.note(what + ": accepted, no effect");
        return;
    }
}

} // namespace quon::host
