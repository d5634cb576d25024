// feed: what the live pages are told, as Server-Sent Events. The host's
// thread publishes conversation lines and the latest state (the page picture,
// the summary counts, the devices); each open page has a cursor and is sent
// what is new for it. A page that connects (again) first gets "reset", the
// lines kept so far and the whole state, so reconnecting loses nothing; after
// that only the parts of the state that changed, and of the picture only the
// control groups that changed ("controls") when that is all. What it keeps
// is bounded in bytes (text_bounds.h): each line, and the lines in all.
// A studio (several scripts) has a state for each script and the devices
// once: after "reset" comes "scripts" (their names, in order), and each
// script's parts follow a "script" event that names it.
#ifndef HOST_SERVER_FEED_H
#define HOST_SERVER_FEED_H

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "picture/svg_writer.h"
#include "session/text_bounds.h"

namespace quon::host {

struct feed_state {
    std::string summary; // the counts, as the closing summary prints them
    std::string devices; // JSON: what the emulated devices hold, shared by every script; empty: unchanged
    std::string status;  // one line: running, stopped, the panel's name
    std::string timers;  // JSON: the host's running timers
};

// The parts of the state each script has: status, summary, page, timers.
constexpr int scriptParts = 4;

// Which version of each part of the state a page has.
struct feed_cursor {
    bool started = false;
    std::uint64_t line = 0;   // next conversation line to send
    std::uint64_t result = 0; // next late result to send
    std::uint64_t devices = 0;
    std::vector<std::array<std::uint64_t, scriptParts>> scripts; // by script, in order
};

class live_feed {
public:
    // Lines kept for pages that connect later, at most feedKeptBytes of
    // them; older ones are dropped.
    static constexpr std::size_t keptLines = 5000;
    // Results of actions that outlived their request, kept for pages.
    static constexpr std::size_t keptResults = 16;

    // The scripts of a studio, in order, before anything is published; one
    // unnamed script until then.
    void set_scripts(const std::vector<std::string>& names);
    // Text as printed; split into lines at "\n" (a last partial line waits),
    // each cut to logLineBytes.
    void append(const std::string& text);
    // The result of an action its request stopped waiting for (JSON, with
    // the id its request was answered with), as a "result" event.
    void late_result(const std::string& json);
    // Script `script`'s state, and the devices unless they are empty.
    void set_state(feed_state state, std::size_t script = 0);
    // The picture is arranged anew (or is the first): every page gets it whole.
    void set_picture(page_picture picture, std::size_t script = 0);
    // The control groups at these places changed; pages one picture behind
    // get only these. False (and nothing changes) when a place is not in
    // the picture.
    bool change_controls(const std::vector<std::pair<std::size_t, std::string>>& changes, std::size_t script = 0);
    // Waits up to `wait` for news for this cursor and writes it into `out` as
    // events (empty when there is none). False once the feed is closed.
    bool next(feed_cursor& cursor, std::string& out, std::chrono::milliseconds wait);
    void close();

private:
    struct script_view {
        std::string name;
        feed_state state; // without the devices
        std::uint64_t version[scriptParts] = {};
        page_picture picture;
        std::string pictureChange; // JSON: the groups of the last picture version that changed from the one before
    };

    bool news(const feed_cursor& cursor) const;
    void write_news(feed_cursor& cursor, std::string& out) const;
    void write_script(std::size_t i, feed_cursor& cursor, std::string& out) const;
    void keep(std::string line);

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::string> lines_;
    std::uint64_t firstLine_ = 0; // number of lines_.front()
    std::size_t keptBytes_ = 0;   // of lines_
    bounded_line partial_{logLineBytes};
    std::deque<std::string> results_;
    std::uint64_t firstResult_ = 0; // number of results_.front()
    std::vector<script_view> scripts_{1};
    std::string devices_;
    std::uint64_t devicesVersion_ = 0;
    bool closed_ = false;
};

// One Server-Sent Event: the name, then each line of data as a "data:" line.
std::string sse_event(const std::string& name, const std::string& data);

} // namespace quon::host

#endif
