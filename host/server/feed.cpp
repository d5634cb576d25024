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

// The parts of the state in the order pages get them; the picture is kept apart.
std::string feed_state::*const textParts[stateParts] = {&feed_state::status, &feed_state::devices, &feed_state::summary,
                                                        nullptr, &feed_state::timers};
const char* const partNames[stateParts] = {"status", "devices", "summary", "page", "timers"};
constexpr int picturePart = 3;

} // namespace

void live_feed::set_state(feed_state state) {
    std::lock_guard<std::mutex> guard(lock_);
    bool changed = false;
    for (int i = 0; i < stateParts; ++i) {
        std::string feed_state::*const part = textParts[i];
        if (!part || (state.*part == state_.*part && version_[i])) continue;
        state_.*part = std::move(state.*part);
        ++version_[i];
        changed = true;
    }
    if (changed) changed_.notify_all(); // the pages' streams wake only for news
}

void live_feed::set_picture(page_picture picture) {
    std::lock_guard<std::mutex> guard(lock_);
    picture_ = std::move(picture);
    pictureChange_.clear();
    ++version_[picturePart];
    changed_.notify_all();
}

bool live_feed::change_controls(const std::vector<std::pair<std::size_t, std::string>>& changes) {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& change : changes)
        if (change.first >= picture_.controls.size()) return false;
    if (changes.empty()) return true;
    std::string json = "[";
    for (const auto& [place, group] : changes) {
        if (json.size() > 1) json += ",";
        append_json_string(json.append("[").append(std::to_string(place)).append(","), group).append("]");
        picture_.controls[place] = group;
    }
    pictureChange_ = json + "]";
    ++version_[picturePart];
    changed_.notify_all();
    return true;
}

void live_feed::close() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    changed_.notify_all();
}

bool live_feed::next(feed_cursor& cursor, std::string& out, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> guard(lock_);
    const auto news = [&] {
        return closed_ || !cursor.started || cursor.line < firstLine_ + lines_.size() ||
               cursor.result < firstResult_ + results_.size() ||
               !std::equal(version_, version_ + stateParts, cursor.state);
    };
    changed_.wait_for(guard, wait, news);
    if (closed_) return false;
    out.clear();
    if (news()) write_news(cursor, out);
    return true;
}

void live_feed::write_news(feed_cursor& cursor, std::string& out) const {
    if (!cursor.started) {
        out += sse_event("reset", "");
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
    for (int i = 0; i < stateParts; ++i) {
        if (cursor.state[i] == version_[i]) continue;
        // A page one picture behind gets the control groups that changed.
        if (i == picturePart && cursor.state[i] + 1 == version_[i] && !pictureChange_.empty())
            out += sse_event("controls", pictureChange_);
        else out += sse_event(partNames[i], i == picturePart ? picture_.whole() : state_.*textParts[i]);
        cursor.state[i] = version_[i];
    }
    // After the state: a page shows a late result with the picture it made.
    for (cursor.result = std::max(cursor.result, firstResult_); cursor.result < firstResult_ + results_.size();
         ++cursor.result)
        out += sse_event("result", results_[static_cast<std::size_t>(cursor.result - firstResult_)]);
}

} // namespace quon::host
