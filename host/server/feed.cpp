#include "server/feed.h"

#include "base/json_text.h"

#include <algorithm>

namespace quon::host {

std::string sse_event(const std::string& name, const std::string& data) {
    std::string out;
    out.reserve(name.size() + data.size() + 16);
    out.append("event: ").append(name).append("\n");
    for (std::size_t begin = 0;;) {
        const std::size_t end = data.find('\n', begin);
        std::size_t stop = end == std::string::npos ? data.size() : end;
        if (stop > begin && data[stop - 1] == '\r') --stop; // a lone CR would end the line early
        out.append("data: ").append(data, begin, stop - begin).append("\n");
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    return out += "\n";
}

void live_feed::append(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    for (std::size_t begin = 0;;) {
        const std::size_t end = text.find('\n', begin);
        partial_.add(text.data() + begin, (end == std::string::npos ? text.size() : end) - begin);
        if (end == std::string::npos) break;
        keep(partial_.take());
        begin = end + 1;
    }
    changed_.notify_all();
}

void live_feed::keep(std::string line) {
    keptBytes_ += line.size();
    lines_.push_back(std::move(line));
    while (lines_.size() > keptLines || keptBytes_ > feedKeptBytes) {
        keptBytes_ -= lines_.front().size();
        lines_.pop_front();
        ++firstLine_;
    }
}

void live_feed::late_result(const std::string& json) {
    std::lock_guard<std::mutex> guard(lock_);
    results_.push_back(json);
    if (results_.size() > keptResults) {
        results_.pop_front();
        ++firstResult_;
    }
    changed_.notify_all();
}

namespace {

// A script's parts in the order pages get them (the devices come after the
// first script's status); the picture is kept apart.
std::string feed_state::*const textParts[scriptParts] = {&feed_state::status, &feed_state::summary, nullptr,
                                                         &feed_state::timers};
const char* const partNames[scriptParts] = {"status", "summary", "page", "timers"};
constexpr int picturePart = 2;

} // namespace

void live_feed::set_scripts(const std::vector<std::string>& names) {
    std::lock_guard<std::mutex> guard(lock_);
    scripts_.assign(std::max<std::size_t>(names.size(), 1), script_view{});
    for (std::size_t i = 0; i < names.size(); ++i) scripts_[i].name = names[i];
}

void live_feed::set_state(feed_state state, std::size_t script) {
    std::lock_guard<std::mutex> guard(lock_);
    script_view& view = scripts_.at(script);
    bool changed = false;
    for (int i = 0; i < scriptParts; ++i) {
        std::string feed_state::*const part = textParts[i];
        if (!part || (state.*part == view.state.*part && view.version[i])) continue;
        view.state.*part = std::move(state.*part);
        ++view.version[i];
        changed = true;
    }
    if (!state.devices.empty() && (state.devices != devices_ || !devicesVersion_)) {
        devices_ = std::move(state.devices);
        ++devicesVersion_;
        changed = true;
    }
    if (changed) changed_.notify_all(); // the pages' streams wake only for news
}

void live_feed::set_picture(page_picture picture, std::size_t script) {
    std::lock_guard<std::mutex> guard(lock_);
    script_view& view = scripts_.at(script);
    view.picture = std::move(picture);
    view.pictureChange.clear();
    ++view.version[picturePart];
    changed_.notify_all();
}

bool live_feed::change_controls(const std::vector<std::pair<std::size_t, std::string>>& changes, std::size_t script) {
    std::lock_guard<std::mutex> guard(lock_);
    script_view& view = scripts_.at(script);
    for (const auto& change : changes)
        if (change.first >= view.picture.controls.size()) return false;
    if (changes.empty()) return true;
    std::string json = "[";
    for (const auto& [place, group] : changes) {
        if (json.size() > 1) json += ",";
        append_json_string(json.append("[").append(std::to_string(place)).append(","), group).append("]");
        view.picture.controls[place] = group;
    }
    view.pictureChange = json + "]";
    ++view.version[picturePart];
    changed_.notify_all();
    return true;
}

void live_feed::close() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    changed_.notify_all();
}

bool live_feed::news(const feed_cursor& cursor) const {
    if (closed_ || !cursor.started || cursor.line < firstLine_ + lines_.size() ||
        cursor.result < firstResult_ + results_.size() || cursor.devices != devicesVersion_)
        return true;
    for (std::size_t i = 0; i < scripts_.size(); ++i)
        if (!std::equal(scripts_[i].version, scripts_[i].version + scriptParts, cursor.scripts[i].begin())) return true;
    return false;
}

bool live_feed::next(feed_cursor& cursor, std::string& out, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> guard(lock_);
    cursor.scripts.resize(scripts_.size());
    changed_.wait_for(guard, wait, [&] { return news(cursor); });
    if (closed_) return false;
    out.clear();
    if (news(cursor)) write_news(cursor, out);
    return true;
}

void live_feed::write_news(feed_cursor& cursor, std::string& out) const {
    if (!cursor.started) {
        out += sse_event("reset", "");
        if (scripts_.size() > 1) {
            std::string names = "[";
            for (const script_view& view : scripts_)
                append_json_string(names.append(names.size() > 1 ? "," : ""), view.name);
            out += sse_event("scripts", names + "]");
        }
        cursor.started = true;
        cursor.line = firstLine_;
        cursor.result = firstResult_;
    }
    if (cursor.line < firstLine_) {
        out += sse_event("log", "(" + std::to_string(firstLine_ - cursor.line) + " older lines not shown)");
        cursor.line = firstLine_;
    }
    const std::uint64_t end = firstLine_ + lines_.size();
    if (cursor.line < end) {
        std::string text;
        for (std::uint64_t i = cursor.line; i < end; ++i) {
            text += lines_[static_cast<std::size_t>(i - firstLine_)];
            if (i + 1 < end) text += "\n";
        }
        out += sse_event("log", text);
        cursor.line = end;
    }
    for (std::size_t i = 0; i < scripts_.size(); ++i) write_script(i, cursor, out);
    // After the state: a page shows a late result with the picture it made.
    for (cursor.result = std::max(cursor.result, firstResult_); cursor.result < firstResult_ + results_.size();
         ++cursor.result)
        out += sse_event("result", results_[static_cast<std::size_t>(cursor.result - firstResult_)]);
}

// Script i's parts that changed for this page, named first in a studio; the
// devices after the first script's status.
void live_feed::write_script(std::size_t i, feed_cursor& cursor, std::string& out) const {
    const script_view& view = scripts_[i];
    std::array<std::uint64_t, scriptParts>& seen = cursor.scripts[i];
    if (scripts_.size() > 1 && !std::equal(view.version, view.version + scriptParts, seen.begin()))
        out += sse_event("script", view.name);
    for (int part = 0; part < scriptParts; ++part) {
        if (seen[part] != view.version[part]) {
            // A page one picture behind gets the control groups that changed.
            if (part == picturePart && seen[part] + 1 == view.version[part] && !view.pictureChange.empty())
                out += sse_event("controls", view.pictureChange);
            else
                out += sse_event(partNames[part],
                                 part == picturePart ? view.picture.whole() : view.state.*textParts[part]);
            seen[part] = view.version[part];
        }
        if (i == 0 && part == 0 && cursor.devices != devicesVersion_) {
            out += sse_event("devices", devices_);
            cursor.devices = devicesVersion_;
        }
    }
}

} // namespace quon::host
