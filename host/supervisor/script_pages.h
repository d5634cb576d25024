// script_pages: what the pages and the terminal see of one script of serve:
// its conversation (in a studio each line tagged with the script's name),
// the state its processes reported with its status beside it, and the
// device changes it made, in order, that a studio has not passed on yet.
#ifndef HOST_SUPERVISOR_SCRIPT_PAGES_H
#define HOST_SUPERVISOR_SCRIPT_PAGES_H

#include "server/feed.h"
#include "supervisor/reported_state.h"

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace quon::host {

// Which script of serve a supervisor runs: serve runs one, or several on one
// set of devices (a studio, supervisor/studio_supervisor.h).
struct serve_script {
    std::string name;      // the conversation's tags, the recording's "script" steps, the pages' labels
    std::size_t index = 0; // among serve's scripts, in order: its place in the feed
    std::size_t count = 1; // serve's scripts; with one, nothing is tagged or named
    bool studio() const { return count > 1; }
};

// Why no panel runs, and the last change of panel, as the pages show them.
struct panel_story {
    std::string fault; // why no panel runs; empty while one does
    std::string step;  // the step it ended in
    std::string note;  // the last restart or reload
};

class script_pages {
public:
    script_pages(live_feed& feed, std::ostream& out, serve_script script)
        : feed_(feed), out_(out), script_(std::move(script)), reported_(feed, script_.index) {}

    const serve_script& script() const { return script_; }
    // Conversation text, to the terminal and the pages.
    void say(const std::string& text);
    // Ends the text with a whole line: a studio's scripts take turns by whole lines.
    void end_line() {
        if (!lineStart_) say("\n");
    }
    // A state message at `at`; the changes it made are kept in order. False
    // when it does not fit what was reported before.
    bool take_state(state_update& update, std::chrono::steady_clock::time_point at);
    // The changes made since the last take (or drop), in order: at most
    // change_bound::maxChangesPerAction, as each process keeps them (the
    // bound passes with the next anyway).
    std::vector<device_setting> take_made();
    void drop_made() { made_.clear(); }
    reported_state& reported() { return reported_; }
    const reported_state& reported() const { return reported_; }
    panel_story& story() { return story_; }
    // The pages get the state, with `status` completed by the story.
    void publish(panel_status status);

private:
    std::string tagged(const std::string& text);

    live_feed& feed_;
    std::ostream& out_;
    serve_script script_;
    reported_state reported_;
    std::vector<device_setting> made_; // reported as made and not taken yet
    panel_story story_;
    bool lineStart_ = true; // the conversation's text ended with a whole line
};

} // namespace quon::host

#endif
