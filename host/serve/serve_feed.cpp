#include "serve_feed.h"

#include <algorithm>

std::string sse_event(const std::string& name, const std::string& data) {
    std::string out = "event: " + name + "\n";
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = data.find('\n', begin);
        std::string line = data.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (!line.empty() && line.back() == '\r') line.pop_back(); // a lone CR would end the line early
        out += "data: " + line + "\n";
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    return out + "\n";
}

void live_feed::append(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    partial_ += text;
    std::size_t begin = 0, end;
    while ((end = partial_.find('\n', begin)) != std::string::npos) {
        lines_.push_back(partial_.substr(begin, end - begin));
        begin = end + 1;
    }
    partial_.erase(0, begin);
    while (lines_.size() > keptLines) {
        lines_.pop_front();
        ++firstLine_;
    }
    changed_.notify_all();
}

void live_feed::set_state(feed_state state) {
    std::string feed_state::*const parts[stateParts] = {&feed_state::status, &feed_state::devices,
                                                         &feed_state::summary, &feed_state::page,
                                                         &feed_state::timers};
    picture_parts picture;
    std::string change;
    std::lock_guard<std::mutex> guard(lock_);
    for (int i = 0; i < stateParts; ++i) {
        if (state.*parts[i] == state_.*parts[i] && version_[i]) continue;
        if (i == 3) {
            picture = split_picture(state.page);
            change = changed_controls(picture_, picture);
            picture_ = std::move(picture);
            pictureChange_ = std::move(change);
        }
        state_.*parts[i] = std::move(state.*parts[i]);
        ++version_[i];
    }
    changed_.notify_all();
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
    const char* names[stateParts] = {"status", "devices", "summary", "page", "timers"};
    const std::string* parts[stateParts] = {&state_.status, &state_.devices, &state_.summary, &state_.page,
                                            &state_.timers};
    for (int i = 0; i < stateParts; ++i) {
        if (cursor.state[i] == version_[i]) continue;
        // A page one picture behind gets the control groups that changed.
        if (i == 3 && cursor.state[i] + 1 == version_[i] && !pictureChange_.empty())
            out += sse_event("controls", pictureChange_);
        else out += sse_event(names[i], *parts[i]);
        cursor.state[i] = version_[i];
    }
}
