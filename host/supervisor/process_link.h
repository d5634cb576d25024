// process_link: a panel_link to a process of this program's (serve-panel):
// the frames of its standard output, its standard error shown as it comes,
// and how it ended told by the protocol and its exit, not by its words.
#ifndef HOST_SUPERVISOR_PROCESS_LINK_H
#define HOST_SUPERVISOR_PROCESS_LINK_H

#include "process/subprocess.h"
#include "protocol/guard_frame.h"
#include "supervisor/panel_link.h"

#include <optional>

namespace quon::host {

class process_link : public panel_link {
public:
    explicit process_link(std::int64_t timeout) : timeout_(timeout) {}

    bool start(const std::vector<std::string>& args, std::string& error) override;
    long pid() const override { return child_.pid(); }
    void post(const std::string& message) override { child_.send(message); }
    bool exchange(const std::string& message, const char* until, live_result* result, listener& told) override;
    const link_loss& loss() const override { return loss_; }
    void end(steady::time_point until) override;

private:
    // The whole frames taken: 1 `until` came, 0 wait for more, -1 lost.
    int take_frames(const char* until, live_result* result, listener& told);
    bool given_up(const char* until, steady::time_point started, listener& told);
    void take_errors(listener& told);
    // The process is gone, or is ended now: `how`, or with `exited` as its
    // exit tells.
    void lost(panel_end how, const std::string& why, listener& told);

    std::int64_t timeout_;
    child_process child_;
    std::string buffer_;                // what the process wrote and is not taken yet
    std::uint64_t asked_ = 0;           // the number of the last message sent that waits an answer
    bool stale_ = false;                // the frames coming answer another message: left out
    std::optional<guard_report> guard_; // what its step guard ended it for, when it did
    std::string doing_;                 // the step it last said it began
    bool exchanging_ = false;           // a message awaits its answer: the step in `doing_` runs
    link_loss loss_;
};

} // namespace quon::host

#endif
