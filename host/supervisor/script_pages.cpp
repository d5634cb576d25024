#include "supervisor/script_pages.h"

#include <algorithm>

namespace quon::host {

void script_pages::say(const std::string& text) {
    const std::string shown = script_.studio() ? tagged(text) : text;
    out_ << shown << std::flush;
    feed_.append(shown);
}

std::string script_pages::tagged(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (lineStart_ && c != '\n') out += "[" + script_.name + "] ";
        out += c;
        lineStart_ = c == '\n';
    }
    return out;
}

bool script_pages::take_state(state_update& update, std::chrono::steady_clock::time_point at) {
    const std::size_t room =
        change_bound::maxChangesPerAction - std::min(made_.size(), change_bound::maxChangesPerAction);
    made_.insert(made_.end(), update.made.begin(), update.made.begin() + std::min(room, update.made.size()));
    return reported_.take(update, at);
}

std::vector<device_setting> script_pages::take_made() {
    std::vector<device_setting> made;
    made.swap(made_);
    return made;
}

void script_pages::publish(panel_status status) {
    status.fault = story_.fault;
    status.step = story_.step;
    status.note = story_.note;
    if (script_.studio()) status.script = script_.name;
    reported_.publish(status);
}

} // namespace quon::host
