// What both systems share of child_process: its reader threads, what they
// keep, and how the server takes it; process/posix/subprocess.cpp and
// process/windows/subprocess.cpp start, end and reap the process.
#include "process/subprocess.h"

#include "process/pipe_reader.h"

#include <algorithm>

namespace quon::host {

child_process::child_process() = default;

child_process::~child_process() {
    if (pid_ && ending_.empty()) kill();
}

void child_process::keep(pipe_reader& r, const char* bytes, std::size_t n) {
    if (!r.bounded) {
        r.data.append(bytes, n);
        return;
    }
    const std::size_t toHead =
        r.tail.empty() ? std::min(n, errorsHeadBytes - std::min(errorsHeadBytes, r.data.size())) : 0;
    r.data.append(bytes, toHead);
    r.tail.append(bytes + toHead, n - toHead);
    if (r.tail.size() > 2 * errorsTailBytes) { // cut in steps, so that each byte is moved a bounded number of times
        const std::size_t cut = r.tail.size() - errorsTailBytes;
        r.tail.erase(0, cut);
        r.dropped += cut;
    }
}

void child_process::start_readers() {
    out_->thread = std::thread([this] { read_into(*out_); });
    err_->thread = std::thread([this] { read_into(*err_); });
}

void child_process::read_into(pipe_reader& r) {
    std::string buffer(64u << 10, '\0');
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [&] { return r.bounded || r.data.size() < outputHeldBytes || r.stopping; });
        }
        const long n = read_some(r, &buffer[0], buffer.size());
        std::lock_guard<std::mutex> guard(lock_);
        if (n <= 0) {
            r.ended = true;
            changed_.notify_all();
            return;
        }
        keep(r, buffer.data(), static_cast<std::size_t>(n));
        changed_.notify_all();
    }
}

child_process::wait_result child_process::receive(std::string& into, std::chrono::steady_clock::time_point until) {
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait_until(guard, until, [this] { return !out_->data.empty() || out_->ended; });
        if (!out_->data.empty()) {
            into += out_->data;
            out_->data.clear();
            changed_.notify_all(); // a reader held back may read on
            return wait_result::output;
        }
        if (out_->ended) return wait_result::ended;
    }
    // A process it started may hold its output open: the process's own end is
    // what counts, and once it is reaped the readers have ended.
    if (!reap(false)) return wait_result::timeout;
    std::lock_guard<std::mutex> guard(lock_);
    if (out_->data.empty()) return wait_result::ended;
    into += out_->data;
    out_->data.clear();
    return wait_result::output;
}

std::string child_process::errors() {
    std::lock_guard<std::mutex> guard(lock_);
    std::string text;
    text.swap(err_->data);
    if (err_->dropped)
        text +=
            "\n[... " + std::to_string(err_->dropped) + " bytes of the panel process's standard error left out ...]\n";
    text += err_->tail;
    err_->tail.clear();
    err_->dropped = 0;
    return text;
}

void child_process::end_readers() {
    for (pipe_reader* r : {out_.get(), err_.get()}) {
        r->stopping = true;
        wake_reader(*r);
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        changed_.notify_all(); // one held back by a full buffer
    }
    for (pipe_reader* r : {out_.get(), err_.get()}) {
        if (r->thread.joinable()) r->thread.join();
        close_reader(*r);
    }
}

bool child_process::wait(std::chrono::steady_clock::time_point until) {
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace quon::host
