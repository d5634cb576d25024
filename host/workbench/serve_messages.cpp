#include "serve_messages.h"

#include "decimal_number.h"
#include "declared_commands.h"

#include <cstdint>

std::string result_message(const live_result& r) {
    std::string m = frame("ok", r.ok ? "1" : "0") + frame("step", r.step) + frame("error", r.error);
    if (r.property) m += frame("property", "1");
    if (r.answer) m += frame("answer", *r.answer);
    if (r.recorded) m += frame("recorded", "1");
    if (r.unchecked) m += frame("unchecked", "1");
    for (const std::string& c : r.commands) m += frame("command", c);
    return frame("result", m);
}

bool read_result(const std::string& bytes, live_result& r) {
    frame_list fields;
    if (!split_frames(bytes, fields)) return false;
    r = live_result{};
    for (const auto& [name, value] : fields) {
        if (name == "ok") r.ok = value == "1";
        else if (name == "step") r.step = value;
        else if (name == "error") r.error = value;
        else if (name == "property") r.property = true;
        else if (name == "answer") r.answer = value;
        else if (name == "recorded") r.recorded = true;
        else if (name == "unchecked") r.unchecked = true;
        else if (name == "command") r.commands.push_back(value);
        else return false;
    }
    return true;
}

std::string device_frame(const device_change& c, const char* name) {
    return frame(name, std::to_string(c.device) + " " + std::to_string(c.index) + " " + c.value);
}

bool read_device(const std::string& bytes, device_change& c) {
    const std::size_t a = bytes.find(' '), b = a == std::string::npos ? a : bytes.find(' ', a + 1);
    std::int64_t device = 0, index = 0;
    std::string why;
    if (b == std::string::npos || !read_decimal(bytes.substr(0, a), INT32_MIN, INT32_MAX, device, why) ||
        !read_decimal(bytes.substr(a + 1, b - a - 1), 1, INT32_MAX, index, why))
        return false;
    c = {static_cast<std::int32_t>(device), static_cast<std::int32_t>(index), bytes.substr(b + 1)};
    return true;
}

namespace {

// "ID PERIOD DUE TICKS", as timer frames carry them.
bool read_timer(const std::string& bytes, timer_clock::timer& t) {
    std::int64_t fields[3];
    const std::int64_t limits[3][2] = {{INT32_MIN, INT32_MAX}, {1, maxTimerPeriodMs}, {INT64_MIN + 1, INT64_MAX}};
    std::size_t at = 0;
    std::string why;
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = bytes.find(' ', at);
        if (end == std::string::npos || !read_decimal(bytes.substr(at, end - at), limits[i][0], limits[i][1], fields[i], why))
            return false;
        at = end + 1;
    }
    t = {static_cast<std::int32_t>(fields[0]), static_cast<std::int32_t>(fields[1]), fields[2], 0, 0};
    return read_decimal(bytes.substr(at), UINT64_MAX, t.ticks, why);
}

} // namespace

std::string state_message(const feed_state& s, const std::vector<device_change>& devices,
                          const std::vector<device_change>& names, const timer_report& timers) {
    std::string m = frame("page", s.page) + frame("summary", s.summary) + frame("devices", s.devices) +
                    frame("status", s.status) + frame("clock", std::to_string(timers.nowMs));
    for (const device_change& c : devices) m += device_frame(c);
    for (const device_change& c : names) m += device_frame(c, "name");
    for (const timer_clock::timer& t : timers.running)
        m += frame("timer", std::to_string(t.id) + " " + std::to_string(t.periodMs) + " " + std::to_string(t.dueMs) +
                                " " + std::to_string(t.ticks));
    return frame("state", m);
}

bool read_state(const std::string& bytes, feed_state& s, std::vector<device_change>& devices,
                std::vector<device_change>& names, timer_report* timers) {
    frame_list fields;
    if (!split_frames(bytes, fields)) return false;
    devices.clear();
    names.clear();
    timer_report report;
    std::string why;
    for (const auto& [name, value] : fields) {
        device_change c;
        timer_clock::timer t;
        if (name == "page") s.page = value;
        else if (name == "summary") s.summary = value;
        else if (name == "devices") s.devices = value;
        else if (name == "status") s.status = value;
        else if (name == "device" && read_device(value, c)) devices.push_back(c);
        else if (name == "name" && read_device(value, c)) names.push_back(c);
        else if (name == "clock" && read_decimal(value, 0, INT64_MAX, report.nowMs, why)) continue;
        else if (name == "timer" && read_timer(value, t)) report.running.push_back(t);
        else return false;
    }
    if (timers) *timers = std::move(report);
    return true;
}
