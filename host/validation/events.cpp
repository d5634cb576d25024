#include "validation/events.h"

#include "base/device_report_record.h"

#include <cstring>

namespace quon::host {

namespace {
std::string small_or_any(validate_random& r, std::int32_t low, std::int32_t high) {
    return std::to_string(r.one_in(4) ? r.any() : r.range(low, high));
}

template <typename T>
const T& pick(validate_random& r, const std::vector<T>& from) {
    return from[r.below(static_cast<std::uint32_t>(from.size()))];
}

// A value the panel may compare with: one a scenario or the hints name
// (the property's own or a common one), or a small number near them.
std::string value_for(validate_random& r, const panel_values& v, const std::vector<std::string>& own) {
    if (!own.empty() && r.one_in(2)) return pick(r, own);
    if (!v.values.empty() && r.one_in(2)) return pick(r, v.values);
    return std::to_string(r.range(-2, 20));
}

// A property message of a name the panel reads, or none when there is none.
bool known_property(validate_random& r, const panel_values* v, std::string& text) {
    if (!v || v->properties.empty() || r.one_in(2)) return false;
    const panel_values::property& p = pick(r, v->properties);
    text = p.name + "=" + value_for(r, *v, p.values);
    return true;
}

// A control the panel handles, with an event it takes or a page's own.
bool known_control(validate_random& r, const panel_values* v, std::string& panel, std::string& id, std::string& event) {
    if (!v || v->controls.empty() || r.one_in(2)) return false;
    const panel_values::control& c = pick(r, v->controls);
    panel = c.panel;
    id = c.id;
    const std::uint32_t roll = r.below(4);
    if (roll < 2 && !c.events.empty()) event = pick(r, c.events);
    else if (roll < 3) event = "press";
    else event = "value=" + value_for(r, *v, {});
    return true;
}
} // namespace

std::unique_ptr<validate_event> validate_event::random(validate_random& r, const panel_values* values) {
    // Mostly the kinds a host sends, now and then any other.
    static const unsigned weights[][2] = {{1, 30}, {2, 15}, {3, 20}, {4, 10}, {5, 5}, {6, 5}, {7, 5}, {0, 10}};
    std::uint32_t roll = r.below(100);
    for (const auto& w : weights) {
        if (roll < w[1]) {
            if (w[0] == 0) {
                static const unsigned others[] = {0u, 8u, 9u, 64u, 0x80000000u, 0xffffffffu};
                return of_kind(r.one_in(2) ? others[r.below(6)] : static_cast<unsigned>(r.next()), r);
            }
            if (r.one_in(20)) return w[0] == 2 && r.one_in(2) ? empty_button() : null_record(w[0]);
            return of_kind(w[0], r, values);
        }
        roll -= w[1];
    }
    return of_kind(1, r);
}

std::unique_ptr<validate_event> validate_event::of_kind(unsigned kind, validate_random& r, const panel_values* values) {
    std::string panel, id, event;
    if (kind == 2 && known_control(r, values, panel, id, event)) return button(panel, id, event);
    if (kind == 3 && known_property(r, values, event)) return property(event);
    std::unique_ptr<validate_event> e(new validate_event(kind));
    switch (kind) {
    case 1: {
        const std::int32_t device = r.one_in(5) ? r.any() : r.range(-1, 8), reserved = r.any();
        const std::int32_t index = r.one_in(5) ? r.any() : r.range(-2, 64);
        const std::int32_t state = r.one_in(5) ? r.any() : r.range(-2, 20);
        e->bytes_ =
            device_report_record(device, index, state, r.one_in(3) ? small_or_any(r, -1, 4) : r.text(), reserved);
        break;
    }
    case 2: {
        static const char* const ids[] = {"AckAll", "ActionAll"};
        e->panel_ = r.one_in(2) ? "1" : r.text();
        e->id_ = r.one_in(4) ? ids[r.below(2)] : r.text();
        e->eventText_ = r.one_in(2) ? "alarm=" + r.text() : r.text();
        e->message_.reset(new event_message(e->eventText_));
        e->button_ = quon_button_record{{r.any(), r.any()}, e->panel_.c_str(), e->id_.c_str(), e->message_->get()};
        break;
    }
    case 3: {
        // Now and then a query of the property protocol that hosts send to
        // every panel, so that answers come and go back.
        static const char* const queries[] = {"return=all", "_events", "_commands", "return"};
        if (r.one_in(4)) {
            const char* q = queries[r.below(4)];
            e->bytes_.assign(q, q + std::strlen(q) + 1);
            break;
        }
        std::string text = r.text();
        if (r.one_in(2)) text += "=" + r.text();
        if (r.one_in(10)) text = std::string(33 + r.below(40), '.') + "=" + text;
        e->bytes_.assign(text.c_str(), text.c_str() + text.size() + 1);
        break;
    }
    case 4:
        e->timer_ = r.one_in(2) ? r.range(-2, 20) : r.any();
        break;
    case 5:
        e->null_ = true; // the runner hands back real answers itself
        break;
    default: // 6, 7 and kinds no script knows: a record of random bytes
        e->bytes_.resize(64);
        for (char& c : e->bytes_) c = static_cast<char>(r.below(256));
        break;
    }
    return e;
}

std::unique_ptr<validate_event> validate_event::property(const std::string& message) {
    std::unique_ptr<validate_event> e(new validate_event(3));
    e->bytes_.assign(message.c_str(), message.c_str() + message.size() + 1);
    return e;
}

std::unique_ptr<validate_event> validate_event::timer(std::int32_t id) {
    std::unique_ptr<validate_event> e(new validate_event(4));
    e->timer_ = id;
    return e;
}

std::unique_ptr<validate_event> validate_event::null_record(unsigned kind) {
    std::unique_ptr<validate_event> e(new validate_event(kind));
    e->null_ = true;
    return e;
}

std::unique_ptr<validate_event> validate_event::report(std::int32_t device, std::int32_t index, std::int32_t state,
                                                       const std::string& text) {
    std::unique_ptr<validate_event> e(new validate_event(1));
    e->bytes_ = device_report_record(device, index, state, text);
    return e;
}

std::unique_ptr<validate_event> validate_event::button(const std::string& panel, const std::string& id,
                                                       const std::string& event) {
    std::unique_ptr<validate_event> e(new validate_event(2));
    e->panel_ = panel;
    e->id_ = id;
    e->eventText_ = event;
    e->message_.reset(new event_message(e->eventText_));
    e->button_ = quon_button_record{{0, 0}, e->panel_.c_str(), e->id_.c_str(), e->message_->get()};
    return e;
}

std::unique_ptr<validate_event> validate_event::empty_button() {
    std::unique_ptr<validate_event> e(new validate_event(2));
    e->button_ = quon_button_record{{0, 0}, nullptr, nullptr, nullptr};
    return e;
}

void* validate_event::arg() {
    if (null_) return nullptr;
    if (kind_ == 2) return &button_;
    if (kind_ == 4) return reinterpret_cast<void*>(static_cast<std::intptr_t>(timer_));
    return bytes_.data();
}

namespace {
// A line the parser reads back to the same step, or none. A file's line
// holds no line end, which a bare word may (a control id).
std::optional<std::string> said(const step_action& action) {
    const std::string line = write_step(action);
    if (line.find_first_of("\r\n") != std::string::npos) return std::nullopt;
    scenario_step back;
    std::string why;
    if (!parse_step_line(line, "", back, why) || write_step(back.action) != line) return std::nullopt;
    return line;
}
} // namespace

std::optional<std::string> validate_event::as_step() const {
    if (null_) return std::nullopt;
    if (kind_ == 2 && button_.id) return said(button_step{panel_, id_, eventText_});
    if (kind_ == 3) return said(property_step{std::string(bytes_.data())});
    if (kind_ == 4) return said(timer_step{timer_});
    return std::nullopt; // reports come only from devices; hand-backs and other kinds from no step
}

std::string validate_event::describe() const {
    std::string d = "kind " + std::to_string(kind_);
    if (null_) return d + " with a null argument";
    if (kind_ == 1) {
        std::int32_t f[4];
        std::memcpy(f, bytes_.data(), sizeof f);
        return d + " (device " + std::to_string(f[0]) + ", index " + std::to_string(f[2]) + ", state " +
               std::to_string(f[3]) + ", text of " + std::to_string(bytes_.size() - sizeof f - 1) + " bytes)";
    }
    if (kind_ == 2) {
        if (!button_.id) return d + " (panel, id and event all null)";
        return d + " (id of " + std::to_string(id_.size()) + " bytes, event of " + std::to_string(eventText_.size()) +
               " bytes)";
    }
    if (kind_ == 3) return d + " (message of " + std::to_string(bytes_.size() - 1) + " bytes)";
    if (kind_ == 4) return d + " (timer " + std::to_string(timer_) + ")";
    return d;
}

} // namespace quon::host
