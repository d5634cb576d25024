#include "panel_process/main_loop.h"

#include "base/decimal_number.h"
#include "base/exit_status.h"
#include "panel_process/live_panel.h"
#include "panel_process/log_frames.h"
#include "panel_process/pipe_ends.h"
#include "panel_process/state_report.h"
#include "process/this_process.h"
#include "protocol/guard_frame.h"
#include "protocol/messages.h"

#include <cstdio>
#include <new>
#include <ostream>

namespace quon::host {

namespace {

// The devices and source names as the server last saw them, then how to
// begin (`how`) and its number (`asked`); false when the protocol ends or breaks first.
bool receive_begin(protocol_pipe& pipe, device_set& devices, std::string& how, std::string& asked) {
    std::string name;
    // A studio's "told": a start is an action of its own, counted from none.
    while (pipe.receive(name, how) && (name == "device" || name == "name" || name == "ask" || name == "told")) {
        if (name == "ask") asked = how;
        device_change c;
        if (!read_device(how, c)) continue;
        for (declared_device& d : devices.devices)
            if (d.number != c.device) continue;
            else if (name == "device" && c.index <= d.size) d.initial[c.index] = c.value;
            else if (name == "name" && d.pictureSelector && c.index <= d.sources)
                d.names[d.pictureSelector][c.index] = c.value;
    }
    return name == "begin";
}

// The number a "step" or "play" message gives; false, the server told,
// when the scenario has no such step: the file changed since serve read it.
bool read_step_number(protocol_pipe& pipe, const std::string& bytes, const std::string& file, std::size_t steps,
                      std::size_t& number) {
    std::uint64_t n = 0;
    std::string why;
    if (read_decimal(bytes, steps, n, why)) {
        number = static_cast<std::size_t>(n);
        return true;
    }
    pipe.send(frame("failed", "step " + bytes + " is not in " + file + " (" + std::to_string(steps) +
                                  " steps): it changed since serve read it"));
    return false;
}

// The library is loaded: this process's id, for the pages.
void send_ready(protocol_pipe& pipe) { pipe.send(frame("ready", std::to_string(own_process_id()))); }

// While it lives, each step goes to the server as a "doing" frame as it
// begins, and what the step guard ends this process for as a "guard" frame
// before the guard's words go to standard error: a process the panel ends
// with no report (exit, _exit) is still named with its step.
class guard_reports {
public:
    explicit guard_reports(protocol_pipe& pipe) {
        to_ = &pipe;
        step_guard_report_to(send);
        step_guard_announce_to(announce);
    }
    ~guard_reports() {
        step_guard_announce_to(nullptr);
        step_guard_report_to(nullptr);
        to_ = nullptr;
    }
    guard_reports(const guard_reports&) = delete;
    guard_reports& operator=(const guard_reports&) = delete;

private:
    // In the guard's handler: no allocation.
    static void send(guard_fault fault, unsigned long code, const char* step) {
        static char bytes[1024];
        const std::size_t length = write_guard_frame(fault, code, step, bytes, sizeof bytes);
        if (length > 0 && to_) to_->send(std::string_view(bytes, length));
    }
    static void announce(const std::string& step) {
        if (to_) to_->send(frame("doing", step));
    }
    static inline protocol_pipe* to_ = nullptr;
};

} // namespace

namespace {

// The process's life once it has its pipe.
int play_in_panel_process(const run_request& request, protocol_pipe& pipe) {
    const guard_reports reports(pipe);
    prepared_run run;
    std::string error, name, bytes, asked; // asked: the number of the message answered
    if (const int status = prepare_run(request, run, error); status != exitAllHeld) {
        pipe.send(frame(run.libraryRefused ? "unloadable" : "failed", error));
        return status;
    }
    send_ready(pipe);
    if (!receive_begin(pipe, run.options.devices, bytes, asked)) return exitEmulatorFault;
    run.options.studioMember = request.oneOfSeveral;
    log_frames logged(pipe);
    std::ostream out(&logged);
    live_panel live(run.library.factory(), run.options, out);
    state_report report;
    const auto state = [&] {
        out.flush();
        logged.end_step();
        return report.next(live);
    };
    bool failed = false; // a step of the scenario that could not be carried out
    const auto answer = [&](const live_result& r) {
        failed = failed || !r.ok;
        pipe.send(frame("answers", asked) + state() + result_message(r));
    };
    // "1" when run would fail what was played so far: the server's exit status says it.
    const auto begun = [&] {
        pipe.send(frame("answers", asked) + state() + frame("begun", failed || live.expectations_failed() ? "1" : ""));
    };
    if (bytes == "start") answer(live.play("start"));
    else if (bytes == "paused") {
        live.open(run.plan);
        live.play_to(0, answer); // an empty scenario is played to its end at once
    } else live.begin(run.plan, answer);
    begun();
    while (pipe.receive(name, bytes)) {
        change_bound::count told;
        if (name == "ask") asked = bytes;
        else if (name == "told") {
            if (!read_told(bytes, told)) return exitEmulatorFault; // not the protocol
            live.carry(std::move(told));
        } else if (name == "step" || name == "play") { // paused: the scenario's next step; a studio's: one step
            std::size_t number = 0;
            if (!read_step_number(pipe, bytes, request.scenarioFile, run.plan.steps.size(), number)) return exitUsage;
            if (name == "step") live.play_to(number, answer); // at most the steps there are
            else live.play_one(number, answer);
            begun();
        } else if (name == "act") {
            std::string origin, step;
            if (!read_act(bytes, origin, step)) return exitEmulatorFault; // not the protocol
            answer(live.apply(origin, step));
        } else if (name == "change") {
            std::string origin;
            std::vector<device_setting> changes;
            if (!read_change(bytes, origin, changes)) return exitEmulatorFault; // not the protocol
            answer(live.take_changes(origin, changes));
        } else if (name == "stop") answer(live.play("stop"));
        else if (name == "finish") break;
    }
    const int status = live.finish();
    logged.end_step();
    out.flush();
    pipe.send(frame("answers", asked) + frame("bye", status == exitAllHeld ? "" : std::to_string(status)));
    return exitAllHeld;
}

} // namespace

int run_panel_process(const run_request& request) {
    protocol_pipe pipe;
    try {
        return play_in_panel_process(request, pipe);
    } catch (const std::bad_alloc&) {
        // This program's own allocation failed (a panel's own failures end in
        // its runtime's handlers, never here): the server says whose it was.
        pipe.send(frame("own-failure", "out of memory"));
        std::fputs("panel_host: out of memory (panel_host's own failure, not the panel's)\n", stderr);
        return exitEmulatorFault;
    }
}

} // namespace quon::host
