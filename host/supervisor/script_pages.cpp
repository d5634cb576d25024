#include "supervisor/script_pages.h"

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
    for (const device_change& c : update.deviceStates) // before they are held: new only if they differ
        if (!reported_.devices().holds(c)) fresh_.keep(c);
    return reported_.take(update, at);
}

std::vector<device_change> script_pages::take_fresh() {
    std::vector<device_change> fresh = fresh_.list();
    fresh_.clear();
    return fresh;
}

void script_pages::publish(panel_status status) {
    status.fault = story_.fault;
    status.step = story_.step;
    status.note = story_.note;
    if (script_.studio()) status.script = script_.name;
    reported_.publish(status);
}

} // namespace quon::host
