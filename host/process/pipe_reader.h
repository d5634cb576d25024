// pipe_reader: one pipe of the panel's process as its reader thread
// holds it, and what each system's file gives for it (process/posix/subprocess.cpp,
// process/windows/subprocess.cpp). Internal to child_process.
#ifndef HOST_PROCESS_PIPE_READER_H
#define HOST_PROCESS_PIPE_READER_H

#include "process/files.h"
#include "process/subprocess.h"

#include <atomic>
#include <cstdint>

namespace quon::host {

struct child_process::pipe_reader {
    native_file file = noFile;
    int wake[2] = {-1, -1}; // POSIX: written once to stop a reader that waits
    std::size_t drained = 0;
    bool bounded = false; // standard error: head and tail kept, the middle counted
    std::string data;     // all there is, or the head
    std::string tail;     // bounded: what came after the head
    std::uint64_t dropped = 0;
    bool ended = false;
    std::atomic<bool> stopping{false}; // the process and its group are gone
    std::thread thread;
};

// Some bytes from the pipe; 0 at its end, or once stopping and what was left
// in it is taken (a bounded amount: a process outside the group may write on).
long read_some(child_process::pipe_reader& r, char* buffer, std::size_t size);
// Makes a reader that waits return soon; `stopping` is set before.
void wake_reader(child_process::pipe_reader& r);
void close_reader(child_process::pipe_reader& r);

} // namespace quon::host

#endif
