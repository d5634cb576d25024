// subprocess: the panel's own process, as "serve" starts and holds it: the
// same program (or another one given for tests) with the pipes of the frame
// protocol on its standard input and output, and its standard error read
// too (the crash and hang messages of its step guard arrive there). Two
// threads read its output and its errors as they come, so that the server
// waits for an answer with a deadline on every system, and a process that
// is gone or is ended is always reaped: none is left behind.
//
// The process gets only its three standard handles, and runs in a group of
// its own (a process group; on Windows a job object): whatever the panel
// starts from it is ended with it, and nothing it started can hold the
// server, which never waits for the end of a pipe that such a process may
// hold open. What is kept of its output is bounded: its standard output by
// back-pressure past the largest frame, its standard error by keeping the
// head and the tail (the step guard's message comes last) and counting the
// bytes left out between.
#ifndef HOST_PROCESS_SUBPROCESS_H
#define HOST_PROCESS_SUBPROCESS_H

#include "process/files.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quon::host {

class child_process {
public:
    // How much of its standard error is kept between two errors() calls:
    // the first `errorsHeadBytes`, the last `errorsTailBytes` or more.
    static constexpr std::size_t errorsHeadBytes = 64u << 10, errorsTailBytes = 64u << 10;
    // Standard output held before its reader waits for it to be taken: more
    // than the largest message read whole (serve's frame, as protocol/frames.cpp
    // asserts), so that one always arrives whole.
    static constexpr std::size_t outputHeldBytes = (64u << 20) + (64u << 10);

    child_process();
    ~child_process(); // ends the process and its group if it still runs
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    // Starts `args[0]` with the other arguments; false with why.
    bool start(const std::vector<std::string>& args, std::string& error);
    long pid() const { return pid_; }
    // Writes to its standard input; false once it no longer reads.
    bool send(const std::string& bytes);

    enum class wait_result { output, ended, timeout };
    // Moves what it wrote on its standard output into `into`, waiting until
    // `until` for something. `ended` once it has ended and its output is taken.
    wait_result receive(std::string& into, std::chrono::steady_clock::time_point until);
    // What it wrote on its standard error since the last call (bounded as above).
    std::string errors();

    // Ends it and its group at once (it may have ended already) and reaps it.
    void kill();
    // Waits until `until` for it to end by itself; false when it has not.
    // Once it has ended, what is left of its group is ended too.
    bool wait(std::chrono::steady_clock::time_point until);
    // How it ended, in words ("exit status 3", "signal 6"); empty while it runs.
    const std::string& ending() const { return ending_; }
    int exit_status() const { return exitStatus_; }

    // One pipe's reader; public for the platform files only.
    struct pipe_reader;

private:
    void read_into(pipe_reader& r);
    void start_readers(); // once the process runs: a thread for each of its output pipes
    void keep(pipe_reader& r, const char* bytes, std::size_t n);
    bool reap(bool block);
    void end_readers(); // once the process and its group are gone

    long pid_ = 0;
    [[maybe_unused]] void* process_ = nullptr; // Windows only: the process's handle and its job
    [[maybe_unused]] void* job_ = nullptr;
    native_file input_ = noFile;
    std::mutex lock_;
    std::condition_variable changed_;
    std::unique_ptr<pipe_reader> out_, err_;
    std::string ending_;
    int exitStatus_ = -1;
};

} // namespace quon::host

#endif
