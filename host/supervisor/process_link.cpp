#include "supervisor/process_link.h"

#include "base/exit_status.h"
#include "base/utf8_text.h"
#include "protocol/guard_frame.h"

#include <cstdlib>
#include <optional>

namespace quon::host {

namespace {

constexpr auto loadTime = std::chrono::seconds(120);    // a process to start and load its library (wine is slow)
constexpr auto beyondTimeout = std::chrono::seconds(5); // the process's own watchdog ends a hang before this

// How a process that ended by itself ended: its step guard ends it with
// run's status for a crash or a hang; any other end is the panel's doing.
panel_end end_of(int exitStatus) {
    if (exitStatus < 0 || exitStatus == exitPanelCrashed) return panel_end::crashed;
    return exitStatus == exitPanelHung ? panel_end::hung : panel_end::exited;
}

// How its step guard's report says the process ended.
panel_end end_of(const guard_report& report) {
    return report.fault == guard_fault::hung ? panel_end::hung : panel_end::crashed;
}

} // namespace

int loss_status(const link_loss& loss) {
    switch (loss.how) {
    case panel_end::refused:
    case panel_end::unloadable:
        return loss.exitStatus > 0 && loss.exitStatus < 256 ? loss.exitStatus : exitEmulatorFault;
    case panel_end::hung:
        return exitPanelHung;
    case panel_end::own_failure:
        return exitEmulatorFault;
    case panel_end::crashed:
    case panel_end::exited:
    case panel_end::lost_pipe:
        break;
    }
    return exitPanelCrashed;
}

bool process_link::start(const std::vector<std::string>& args, std::string& error) {
    if (child_.start(args, error)) return true;
    loss_ = {};
    loss_.fault = error;
    return false;
}

// What the process wrote on its standard error is shown as it comes, and
// only shown: how it ended is told by its frames and its exit.
void process_link::take_errors(listener& told) {
    const std::string text = child_.errors();
    if (!text.empty()) told.say(text);
}

bool process_link::exchange(const std::string& message, const char* until, live_result* result, listener& told) {
    struct exchanging {
        bool& flag;
        ~exchanging() { flag = false; }
    } during{exchanging_ = true};
    if (!message.empty() && !child_.send(frame("ask", std::to_string(++asked_)) + message)) {
        lost(panel_end::exited, "the panel's process no longer reads", told);
        return false;
    }
    const auto started = steady::now();
    for (;;) {
        take_errors(told);
        const int taken = take_frames(until, result, told);
        if (taken != 0) return taken > 0;
        if (given_up(until, started, told)) return false;
        if (child_.receive(buffer_, steady::now() + std::chrono::milliseconds(100)) ==
            child_process::wait_result::ended) { // complete frames are taken
            lost(panel_end::exited,
                 buffer_.empty() ? "the panel's process ended" : "the panel's process ended halfway through a frame",
                 told);
            return false;
        }
    }
}

int process_link::take_frames(const char* until, live_result* result, listener& told) {
    std::string_view name, bytes; // views into buffer_, which is cut only after the frames are taken
    std::string why;
    frame_status s;
    std::size_t at = 0;
    bool answered = false;
    std::string logged; // the log frames that came together, shown at once
    const auto show_logged = [&] {
        if (!logged.empty()) told.say(logged);
        logged.clear();
    };
    while (!answered && (s = read_frame(buffer_, at, name, bytes, why)) == frame_status::frame) {
        if (name == "log") {
            logged += bytes;
            continue;
        }
        show_logged();
        if (name == "answers") {
            stale_ = bytes != std::to_string(asked_);
            if (stale_)
                told.say("\n[an answer to message " + printable(std::string(bytes)) + ", not to message " +
                         std::to_string(asked_) +
                         " that is awaited, came on the panel's pipe: another process answers there (did the panel "
                         "fork?); left out]\n");
            continue;
        }
        if (stale_ && (name == "state" || name == "result" || name == "begun" || name == "bye")) continue;
        live_result r;
        state_update update;
        guard_report report;
        if (name == "state") {
            if (!read_state(bytes, update) || !told.take_state(update)) {
                why = "a state message that is not frames of a state, or changes a control group the "
                      "picture does not have";
                s = frame_status::garbage;
                break;
            }
        } else if (name == "result" && read_result(bytes, r)) {
            if (name != until) told.earlier_result(r);
            else if (result) *result = r;
        } else if (name == "failed" || name == "unloadable") {
            lost(name == "unloadable" ? panel_end::unloadable : panel_end::refused, std::string(bytes), told);
            return -1;
        } else if (name == "own-failure") {
            lost(panel_end::own_failure,
                 std::string(bytes) + " (panel_host's own failure in the panel's process, not the panel's)", told);
            return -1;
        } else if (name == "guard" && read_guard(bytes, report)) { // its step guard ends it: how, for the loss
            if (!stale_) guard_ = std::move(report);
        } else if (name == "doing") {
            if (!stale_) doing_ = bytes;
        } else if (name != until && name != "ready" && name != "begun" && name != "bye") {
            why = "frame \"" + printable(std::string(name)) + "\" out of place";
            s = frame_status::garbage;
            break;
        } else if ((name == "begun" || name == "bye") && !bytes.empty()) { // run's status for what it played
            told.run_status(std::atoi(std::string(bytes).c_str()));
        }
        answered = name == until;
    }
    show_logged();
    buffer_.erase(0, at);
    if (answered) return 1;
    if (s != frame_status::garbage) return 0;
    child_.kill();
    lost(panel_end::lost_pipe, "the panel's process wrote what is not the protocol (" + why + ")", told);
    return -1;
}

// No answer in time (the process's own watchdog ends a hang first), or the
// listener gives the wait up (an interrupt, a restart, a rebuilt library).
bool process_link::given_up(const char* until, steady::time_point started, listener& told) {
    const bool loading = std::string(until) == "ready";
    const auto deadline = loading        ? started + loadTime
                          : timeout_ > 0 ? started + std::chrono::seconds(timeout_) + beyondTimeout
                                         : steady::time_point::max();
    const std::string why = told.give_up(started, loading);
    if (why.empty() && steady::now() < deadline) return false;
    child_.kill();
    lost(panel_end::hung, why.empty() ? "the panel's process did not answer in time" : why, told);
    return true;
}

// A process that ended by itself tells how by its step guard's report and
// its exit. The fault's words are the guard's alone when the guard ended it
// (its status says so), and follow ours otherwise (a load that failed, the
// emulator's own failure).
void process_link::lost(panel_end how, const std::string& why, listener& told) {
    if (!child_.wait(steady::now() + std::chrono::seconds(2))) child_.kill();
    take_errors(told);
    loss_ = {};
    loss_.exitStatus = child_.exit_status();
    const bool guardEnded = guard_ && is_panel_fault(loss_.exitStatus);
    loss_.how = how != panel_end::exited ? how : guardEnded ? end_of(*guard_) : end_of(loss_.exitStatus);
    if (!guard_) {
        loss_.fault = why + " (" + child_.ending() + ")";
        if (!doing_.empty()) {
            loss_.fault += (exchanging_ ? " during " : " after ") + doing_;
            loss_.step = doing_;
        }
        return;
    }
    const std::string guard = guard_fault_words(guard_->fault, guard_->code) + " during " + guard_->step;
    loss_.fault = guardEnded ? guard : why + ": " + guard;
    loss_.step = guard_->step;
}

void process_link::end(steady::time_point until) {
    if (!child_.wait(until)) child_.kill();
}

} // namespace quon::host
