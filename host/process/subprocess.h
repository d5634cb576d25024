// serve_child: the panel's own process, as "serve" starts and holds it: the
// same program (or another one given for tests) with the pipes of the frame
// protocol on its standard input and output, and its standard error read
// too (the crash and hang messages of its step guard arrive there). Two
// threads read its output and its errors as they come, so that the server
// waits for an answer with a deadline on every system, and a process that
// is gone or is ended is always reaped: none is left behind.
#ifndef HOST_PROCESS_SUBPROCESS_H
#define HOST_PROCESS_SUBPROCESS_H

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quon::host {

class child_process {
public:
    child_process();
    ~child_process(); // ends the process if it still runs
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    // Starts `args[0]` with the other arguments; false with why.
    bool start(const std::vector<std::string>& args, std::string& error);
    long pid() const { return pid_; }
    // Writes to its standard input; false once it no longer reads.
    bool send(const std::string& bytes);

    enum class wait_result { output, ended, timeout };
    // Moves what it wrote on its standard output into `into`, waiting until
    // `until` for something. `ended` once its output is closed and taken.
    wait_result receive(std::string& into, std::chrono::steady_clock::time_point until);
    // What it wrote on its standard error since the last call.
    std::string errors();

    // Ends it at once (it may have ended already) and reaps it.
    void kill();
    // Waits until `until` for it to end by itself; false when it has not.
    bool wait(std::chrono::steady_clock::time_point until);
    // How it ended, in words ("exit status 3", "signal 6"); empty while it runs.
    const std::string& ending() const { return ending_; }
    int exit_status() const { return exitStatus_; }

private:
    struct pipe_reader;
    void read_into(pipe_reader& r);
    bool reap(bool block);

    long pid_ = 0;
#ifdef _WIN32
    void* process_ = nullptr;
    void* input_ = nullptr;
#else
    int input_ = -1;
#endif
    std::mutex lock_;
    std::condition_variable changed_;
    std::unique_ptr<pipe_reader> out_, err_;
    std::string ending_;
    int exitStatus_ = -1;
};

// This program's own file, to start it again as the panel's process.
std::string own_program();
long own_process_id();

} // namespace quon::host

#endif
