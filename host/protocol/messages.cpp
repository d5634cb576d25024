#include "protocol/messages.h"

#include "base/decimal_number.h"
#include "devices/declared_commands.h"

#include <cstdint>

namespace quon::host {

std::string result_message(const live_result& r) {
    std::string m = frame("ok", r.ok ? "1" : "0") + frame("step", r.step) + frame("error", r.error);
    if (r.property) m += frame("property", "1");
    if (r.answer) m += frame("answer", *r.answer);
    if (r.recorded) m += frame("recorded", "1");
    if (r.unchecked) m += frame("unchecked", "1");
    for (const std::string& c : r.commands) m += frame("command", c);
    return frame("result", m);
}

bool read_result(std::string_view bytes, live_result& r) {
    frame_list fields;
    if (!split_frames(bytes, fields)) return false;
    r = live_result{};
    for (const auto& [name, value] : fields) {
        if (name == "ok") r.ok = value == "1";
        else if (name == "step") r.step = value;
        else if (name == "error") r.error = value;
        else if (name == "property") r.property = true;
        else if (name == "answer") r.answer = std::string(value);
        else if (name == "recorded") r.recorded = true;
        else if (name == "unchecked") r.unchecked = true;
        else if (name == "command") r.commands.emplace_back(value);
        else return false;
    }
    return true;
}

std::string device_frame(const device_change& c, const char* name) {
    return frame(name, std::to_string(c.device) + " " + std::to_string(c.index) + " " + c.value);
}

namespace {

// The first `count` fields of `bytes`, decimals each followed by a space and
// within its limits; `rest` is what follows them. False when one is missing
// or out of its limits.
template <std::size_t count>
bool read_leading_numbers(std::string_view bytes, const std::int64_t (&limits)[count][2], std::int64_t (&out)[count],
                          std::string_view& rest) {
    std::size_t at = 0;
    std::string why;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = bytes.find(' ', at);
        if (end == std::string_view::npos ||
            !read_decimal(std::string(bytes.substr(at, end - at)), limits[i][0], limits[i][1], out[i], why))
            return false;
        at = end + 1;
    }
    rest = bytes.substr(at);
    return true;
}

} // namespace

bool read_device(std::string_view bytes, device_change& c) {
    const std::int64_t limits[2][2] = {{INT32_MIN, INT32_MAX}, {1, INT32_MAX}};
    std::int64_t n[2];
    std::string_view value;
    if (!read_leading_numbers(bytes, limits, n, value)) return false;
    c = {static_cast<std::int32_t>(n[0]), static_cast<std::int32_t>(n[1]), std::string(value)};
    return true;
}

namespace {

// "ID PERIOD DUE TICKS", as timer frames carry them.
bool read_timer(std::string_view bytes, timer_clock::timer& t) {
    std::int64_t fields[3];
    const std::int64_t limits[3][2] = {{INT32_MIN, INT32_MAX}, {1, maxTimerPeriodMs}, {INT64_MIN + 1, INT64_MAX}};
    std::string_view ticks;
    if (!read_leading_numbers(bytes, limits, fields, ticks)) return false;
    t = {static_cast<std::int32_t>(fields[0]), static_cast<std::int32_t>(fields[1]), fields[2], 0, 0};
    std::string why;
    return read_decimal(std::string(ticks), UINT64_MAX, t.ticks, why);
}

// "PLACE\nGROUP", as control frames carry them.
bool read_control(std::string_view bytes, std::pair<std::size_t, std::string>& c) {
    const std::size_t cut = bytes.find('\n');
    std::int64_t place = 0;
    std::string why;
    if (cut == std::string_view::npos || !read_decimal(std::string(bytes.substr(0, cut)), 0, INT32_MAX, place, why))
        return false;
    c = {static_cast<std::size_t>(place), std::string(bytes.substr(cut + 1))};
    return true;
}

// The picture frame's bytes: around, control, around, ..., around.
bool read_picture(std::string_view bytes, page_picture& p) {
    frame_list parts;
    if (!split_frames(bytes, parts) || parts.size() % 2 == 0) return false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].first != (i % 2 ? "control" : "around")) return false;
        (i % 2 ? p.controls : p.around).emplace_back(parts[i].second);
    }
    return true;
}

} // namespace

std::string state_message(const state_update& u) {
    std::string m;
    if (u.summary) append_frame(m, "summary", *u.summary);
    if (u.devices) append_frame(m, "devices", *u.devices);
    if (u.status) append_frame(m, "status", *u.status);
    if (u.picture) {
        std::string parts;
        for (std::size_t i = 0; i < u.picture->around.size(); ++i) {
            append_frame(parts, "around", u.picture->around[i]);
            if (i < u.picture->controls.size()) append_frame(parts, "control", u.picture->controls[i]);
        }
        append_frame(m, "picture", parts);
    }
    for (const auto& [place, group] : u.controls) append_frame(m, "control", std::to_string(place) + "\n" + group);
    for (const device_change& c : u.deviceStates) m += device_frame(c);
    for (const device_change& c : u.names) m += device_frame(c, "name");
    for (const device_setting& c : u.made) m += setting_frame(c);
    if (u.told) m += told_frame(*u.told);
    append_frame(m, "clock", std::to_string(u.timers.nowMs));
    for (const timer_clock::timer& t : u.timers.running)
        append_frame(m, "timer",
                     std::to_string(t.id) + " " + std::to_string(t.periodMs) + " " + std::to_string(t.dueMs) + " " +
                         std::to_string(t.ticks));
    return frame("state", m);
}

bool read_state(std::string_view bytes, state_update& u) {
    frame_list fields;
    if (!split_frames(bytes, fields)) return false;
    u = state_update{};
    std::string why;
    for (const auto& [name, value] : fields) {
        device_change c;
        device_setting made;
        change_bound::count told;
        timer_clock::timer t;
        std::pair<std::size_t, std::string> control;
        if (name == "summary") u.summary = std::string(value);
        else if (name == "devices") u.devices = std::string(value);
        else if (name == "status") u.status = std::string(value);
        else if (name == "picture" && read_picture(value, u.picture.emplace())) continue;
        else if (name == "control" && read_control(value, control)) u.controls.push_back(std::move(control));
        else if (name == "device" && read_device(value, c)) u.deviceStates.push_back(c);
        else if (name == "name" && read_device(value, c)) u.names.push_back(c);
        else if (name == "made" && read_setting(value, made)) u.made.push_back(std::move(made));
        else if (name == "told" && read_told(value, told)) u.told = std::move(told);
        else if (name == "clock" && read_decimal(std::string(value), 0, INT64_MAX, u.timers.nowMs, why)) continue;
        else if (name == "timer" && read_timer(value, t)) u.timers.running.push_back(t);
        else return false;
    }
    return true;
}

std::string act_message(const std::string& origin, const std::string& step) {
    return frame("act", origin + "\n" + step);
}

bool read_act(std::string_view bytes, std::string& origin, std::string& step) {
    const std::size_t cut = bytes.find('\n');
    if (cut == std::string_view::npos) return false;
    origin = std::string(bytes.substr(0, cut));
    step = std::string(bytes.substr(cut + 1));
    return true;
}

std::string change_message(const std::string& origin, const std::vector<device_setting>& changes) {
    std::string m = frame("from", origin);
    for (const device_setting& c : changes) m += setting_frame(c);
    return frame("change", m);
}

bool read_change(std::string_view bytes, std::string& origin, std::vector<device_setting>& changes) {
    frame_list fields;
    if (!split_frames(bytes, fields) || fields.empty() || fields.front().first != "from") return false;
    origin = std::string(fields.front().second);
    changes.clear();
    for (std::size_t i = 1; i < fields.size(); ++i) {
        device_setting c;
        if (fields[i].first != "made" || !read_setting(fields[i].second, c)) return false;
        changes.push_back(c);
    }
    return true;
}

std::string setting_frame(const device_setting& c) {
    return frame("made", std::to_string(c.device) + " " + std::to_string(c.index) + " " +
                             std::to_string(c.state.number) + " " + c.state.text);
}

bool read_setting(std::string_view bytes, device_setting& c) {
    std::int64_t n[3];
    const std::int64_t limits[3][2] = {{INT32_MIN, INT32_MAX}, {1, INT32_MAX}, {INT32_MIN, INT32_MAX}};
    std::string_view text;
    if (!read_leading_numbers(bytes, limits, n, text)) return false;
    c = {static_cast<std::int32_t>(n[0]),
         static_cast<std::int32_t>(n[1]),
         {static_cast<std::int32_t>(n[2]), std::string(text)}};
    return true;
}

std::string told_frame(const change_bound::count& c) {
    return frame("told", std::to_string(c.told) + (c.reached ? " 1\n" : " 0\n") + c.action);
}

bool read_told(std::string_view bytes, change_bound::count& c) {
    const std::size_t space = bytes.find(' '), cut = bytes.find('\n');
    std::uint64_t told = 0;
    std::string why;
    if (space == std::string_view::npos || cut != space + 2 || (bytes[space + 1] != '0' && bytes[space + 1] != '1') ||
        !read_decimal(std::string(bytes.substr(0, space)), UINT64_MAX, told, why))
        return false;
    c = {static_cast<std::size_t>(told), bytes[space + 1] == '1', std::string(bytes.substr(cut + 1))};
    return true;
}

} // namespace quon::host
