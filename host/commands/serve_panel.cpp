// "panel_host serve-panel LIBRARY [options]", not listed in the help: the
// panel's own process under "serve", which starts it with pipes on its
// standard input and output and speaks protocol/messages.h over them. Its step
// guard ends it (not the server) when the panel crashes or hangs, with the
// message on its standard error. Whatever the panel itself prints goes to
// standard error too, never into the protocol.
#include "scenario/run_setup.h"
#include "panel_process/live_panel.h"
#include "protocol/messages.h"
#include "panel_process/state_report.h"
#include "commands/subcommands.h"
#include "session/text_bounds.h"

#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <streambuf>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quon::host {

namespace {

// The protocol's two ends, taken from standard input and output.
class protocol_pipe {
public:
    protocol_pipe() {
#ifdef _WIN32
        SetConsoleCtrlHandler(nullptr, TRUE); // Ctrl-C is the server's to handle
        _setmode(_fileno(stdin), _O_BINARY);
        in_ = GetStdHandle(STD_INPUT_HANDLE);
        DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &out_, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        std::fflush(stdout);
        _dup2(_fileno(stderr), _fileno(stdout));
        SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
#else
        std::signal(SIGINT, SIG_IGN); // it is the server's to handle
        // The protocol's ends are this process's own: what the panel starts
        // gets neither, its standard input reads nothing, its output is the errors'.
        in_ = fcntl(0, F_DUPFD_CLOEXEC, 3);
        out_ = fcntl(1, F_DUPFD_CLOEXEC, 3);
        const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (nothing >= 0) dup2(nothing, 0);
        if (nothing > 0) close(nothing);
        dup2(2, 1);
#endif
    }

    void send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
#ifdef _WIN32
            DWORD n = 0;
            if (!WriteFile(out_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr)) gone();
#else
            const ssize_t n = write(out_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) gone();
#endif
            done += static_cast<std::size_t>(n);
        }
    }

    // The next frame from the server; false at the end of its input.
    bool receive(std::string& name, std::string& bytes) {
        std::string why;
        for (;;) {
            switch (take_frame(buffer_, name, bytes, why)) {
            case frame_status::frame:
                return true;
            case frame_status::garbage:
                std::cerr << "panel_host: from the server: " << why << "\n";
                return false;
            case frame_status::more:
                break;
            }
            char chunk[4096];
#ifdef _WIN32
            DWORD n = 0;
            if (!ReadFile(in_, chunk, sizeof chunk, &n, nullptr) || n == 0) return false;
#else
            const ssize_t n = read(in_, chunk, sizeof chunk);
            if (n <= 0) return false;
#endif
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    // The server has gone: nothing is left to answer to.
    [[noreturn]] static void gone() { std::_Exit(exitEmulatorFault); }

#ifdef _WIN32
    HANDLE in_ = nullptr, out_ = nullptr;
#else
    int in_ = -1, out_ = -1;
#endif
    std::string buffer_;
};

// The conversation as the runner prints it, sent a line at a time: each line
// cut to logLineBytes and at most stepLogBytes of them a step (text_bounds.h),
// so that a panel that floods it costs neither process nor server more.
class log_frames : public std::streambuf {
public:
    explicit log_frames(protocol_pipe& pipe) : pipe_(pipe) {}

    // The step's lines are sent: what did not fit is named, and the next step
    // has the whole budget again.
    void end_step() {
        sync();
        if (dropped_ > 0)
            pipe_.send(frame("log", "  (" + std::to_string(dropped_) +
                                        " more bytes of this step's conversation "
                                        "not shown: over " +
                                        std::to_string(stepLogBytes) + " bytes in one step)\n"));
        sent_ = dropped_ = 0;
    }

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return 0;
        const char ch = static_cast<char>(c);
        put(&ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        put(s, static_cast<std::size_t>(n));
        return n;
    }
    int sync() override {
        end_line(false);
        send();
        return 0;
    }

private:
    void put(const char* s, std::size_t n) {
        while (n > 0) {
            const char* end = static_cast<const char*>(std::memchr(s, '\n', n));
            const std::size_t part = end ? static_cast<std::size_t>(end - s) : n;
            line_.add(s, part);
            if (!end) break;
            end_line(true);
            s += part + 1;
            n -= part + 1;
        }
        if (!ready_.empty()) send();
    }
    void end_line(bool ended) {
        if (line_.bytes() == 0 && !ended) return;
        const std::size_t bytes = line_.bytes() + ended;
        const std::string line = line_.take() + (ended ? "\n" : "");
        if (sent_ + line.size() > stepLogBytes) dropped_ += bytes;
        else {
            sent_ += line.size();
            ready_ += line;
        }
    }
    void send() {
        if (!ready_.empty()) pipe_.send(frame("log", ready_));
        ready_.clear();
    }

    protocol_pipe& pipe_;
    bounded_line line_{logLineBytes};    // the line so far
    std::string ready_;                  // the lines to send
    std::size_t sent_ = 0, dropped_ = 0; // bytes of this step's conversation
};

int serve_panel(const run_request& request) {
    protocol_pipe pipe;
    prepared_run run;
    std::string error, name, bytes;
    if (const int status = prepare_run(request, run, error); status != exitAllHeld) {
        pipe.send(frame(run.libraryRefused ? "unloadable" : "failed", error));
        return status;
    }
#ifdef _WIN32
    pipe.send(frame("ready", std::to_string(GetCurrentProcessId())));
#else
    pipe.send(frame("ready", std::to_string(getpid())));
#endif
    // The devices and source names as the server last saw them, then how to begin.
    while (pipe.receive(name, bytes) && (name == "device" || name == "name")) {
        device_change c;
        if (!read_device(bytes, c)) continue;
        for (declared_device& d : run.options.devices.devices)
            if (d.number != c.device) continue;
            else if (name == "device" && c.index <= d.size) d.initial[c.index] = c.value;
            else if (name == "name" && d.pictureSelector && c.index <= d.sources)
                d.names[d.pictureSelector][c.index] = c.value;
    }
    if (name != "begin") return exitEmulatorFault;
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
        pipe.send(state() + result_message(r));
    };
    if (bytes == "start") answer(live.play("start"));
    else live.begin(run.plan, answer);
    // "1" when run would fail what was played so far: the server's exit status says it.
    pipe.send(state() + frame("begun", failed || live.expectations_failed() ? "1" : ""));
    while (pipe.receive(name, bytes)) {
        if (name == "act") {
            std::string origin, step;
            if (!read_act(bytes, origin, step)) return exitEmulatorFault; // not the protocol
            answer(live.apply(origin, step));
        } else if (name == "stop") answer(live.play("stop"));
        else if (name == "finish") break;
    }
    const int status = live.finish();
    logged.end_step();
    out.flush();
    pipe.send(frame("bye", status == exitAllHeld ? "" : std::to_string(status)));
    return exitAllHeld;
}

} // namespace

void add_serve_panel_command(CLI::App& app, int& exitStatus) {
    auto request = std::make_shared<run_request>();
    CLI::App* cmd = app.add_subcommand("serve-panel", "the panel's own process under serve");
    cmd->group(""); // not for people: serve starts it
    cmd->add_option("PANEL_LIBRARY", request->library)->required();
    cmd->add_option("--base", request->options.basePath);
    cmd->add_option("--devices", request->devicesFile);
    cmd->add_option("--scenario", request->scenarioFile);
    cmd->add_option("--record", request->outputs); // only checked against the inputs
    add_number_option(*cmd, "--timeout", request->timeout, 0, 86400, "");
    cmd->callback([request, &exitStatus] { exitStatus = serve_panel(*request); });
}

} // namespace quon::host
