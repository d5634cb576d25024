#include "validation/host_double.h"

#include "quon_hand_back.h"

#include <algorithm>
#include <cstring>

namespace quon::host {

namespace {

// Long texts are cut in messages.
std::string shown(const std::string& text) { return text.size() <= 80 ? text : text.substr(0, 77) + "..."; }
} // namespace

char* validate_host::callback(void* arg, unsigned kind) {
    if (kind == quon_kind_release) {
        if (!arg) return nullptr; // a null handed back is harmless
        if (arg == owed_) {
            ++owedBack_;
            owed_ = nullptr;
        } else if (reply_ && arg == reply_.get()) {
            fault("handed back the reply to \"" + shown(last_) + "\", which is not to be handed back");
        } else {
            fault("handed back a text this host never gave, or gave back already (after \"" + shown(last_) + "\")");
        }
        return nullptr;
    }
    if (kind != quon_kind_command) {
        fault("called its host with kind " + std::to_string(kind));
        return nullptr;
    }
    if (!arg) {
        fault("sent a null command");
        return nullptr;
    }
    ++commands_;
    const std::string text(static_cast<const char*>(arg));
    if (signedOff_ && afterSignOff_.size() < 5) afterSignOff_.push_back(shown(text));
    if (owed_) fault("sent \"" + shown(text) + "\" before handing back the reply to \"" + shown(last_) + "\"");
    last_ = text;
    owed_ = nullptr;
    reply_.reset(); // the last reply to a command that ignores it: freed now

    static const std::vector<declared_command> none;
    const parsed_command parsed = parse_command(text.c_str(), declared_ ? declared_->commands : none);
    if (!parsed.ok) {
        ++malformed_;
        const std::string what = "\"" + shown(text) + "\": " + parsed.error;
        if (malformedFirst_.size() < 5) malformedFirst_.push_back(context_.empty() ? what : context_ + ": " + what);
        ++faultCount_;
        lastFault_ = "malformed command " + what;
    } else {
        learn(parsed.command);
        signedOff_ = signedOff_ || (parsed.command.known && parsed.command.known->id == quon_command_sign_off);
    }
    if (mode_ == replies::none) return nullptr;
    const std::optional<std::string> a = answer(text, parsed.command.known);
    if (!a) return nullptr;
    reply_.reset(new char[a->size() + 1]);
    std::memcpy(reply_.get(), a->c_str(), a->size() + 1);
    if (quon_reply_handed_back(text.c_str(), reply_.get())) {
        owed_ = reply_.get();
        ++owedGiven_;
    }
    return reply_.get();
}

std::optional<std::string> validate_host::answer(const std::string& command, const quon_command* known) {
    if (mode_ == replies::plausible || !random_) {
        switch (known ? known->id : quon_command_count) {
        case quon_command_router_name:
            return "pictures/source_" + command.substr(command.rfind(' ') + 1) + ".png";
        case quon_command_text_get:
            return "value=1";
        case quon_command_id_list:
            return "alm_1,alm_2";
        case quon_command_panel_show:
            return "ok";
        default:
            return std::nullopt;
        }
    }
    validate_random& r = *random_;
    switch (r.below(8)) {
    case 0:
        return std::nullopt;
    case 1:
        return "";
    case 2:
        return r.text(); // most likely without "="
    case 3:
        return "value=" + std::to_string(r.range(-2, 9));
    case 4:
        return r.text() + "=" + r.text();
    case 5:
        return std::string(1000 + r.below(60000), 'h');
    case 6: {
        std::string list;
        const std::uint32_t items = r.below(500);
        for (std::uint32_t i = 0; i < items; ++i) list += (i ? ",alm_" : "alm_") + std::to_string(i);
        return list;
    }
    default:
        return std::string(1 + r.below(200), ',');
    }
}

void validate_host::fault(const std::string& what) {
    const std::string full = context_.empty() ? what : context_ + ": " + what;
    if (faults_.size() < 5) faults_.push_back(full);
    ++faultCount_;
    lastFault_ = what;
}

void validate_host::learn(const host_command& c) {
    const quon_command_id id = c.known ? c.known->id : quon_command_count;
    if (id == quon_command_text_put && controls_.size() < maxControls) {
        const std::pair<std::string, std::string> control(c.texts[1], c.texts[2]);
        if (std::find(controls_.begin(), controls_.end(), control) == controls_.end()) controls_.push_back(control);
    } else if ((id == quon_command_router_poll || id == quon_command_gpi_poll || id == quon_command_info_poll) &&
               polls_.size() < 64) {
        polls_.push_back({c.numbers[0], c.numbers[1], c.numbers[2]});
    }
}

void validate_host::settle() {
    if (!owed_) return;
    fault("returned to the host without handing back the reply to \"" + shown(last_) + "\"");
    owed_ = nullptr;
}

} // namespace quon::host
