// process_probe on POSIX systems: glibc's mallinfo2 for the heap; the
// entries of /proc/self/fd and /proc/self/task; /proc/self/statm; and
// CLOCK_THREAD_CPUTIME_ID.
#include "process/process_probe.h"

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace quon::host {

struct process_probe::held {
    DIR* descriptors = nullptr;
    DIR* threads = nullptr;
    int statm = -1;
};

namespace {

DIR* open_folder(const char* path) {
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* d = fdopendir(fd);
    if (!d) close(fd);
    return d;
}

// Entries of an open folder, "." and ".." left out.
std::int64_t entries(DIR* d) {
    if (!d) return -1;
    rewinddir(d);
    std::int64_t n = 0;
    while (const dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    return n;
}

} // namespace

process_probe::process_probe() : held_(new held) {
    held_->descriptors = open_folder("/proc/self/fd");
    held_->threads = open_folder("/proc/self/task");
    held_->statm = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
}

process_probe::~process_probe() {
    if (held_->descriptors) closedir(held_->descriptors);
    if (held_->threads) closedir(held_->threads);
    if (held_->statm >= 0) close(held_->statm);
    delete held_;
}

const char* process_probe::heap_source() {
    return "glibc mallinfo2 in the soak's worker process: bytes in use (uordblks + hblkhd), the panel's blocks "
           "and the host's bounded structures together";
}

process_sample process_probe::sample() {
    process_sample s;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
    const struct mallinfo2 m = mallinfo2();
    s.heapBytes = static_cast<std::int64_t>(m.uordblks + m.hblkhd);
#endif
    // Our own folder descriptors are not the panel's.
    const std::int64_t fds = entries(held_->descriptors);
    s.descriptors = fds < 0 ? -1 : fds - 3;
    s.threads = entries(held_->threads);
    char text[128];
    const ssize_t got = held_->statm >= 0 ? pread(held_->statm, text, sizeof text - 1, 0) : -1;
    if (got > 0) {
        text[got] = '\0';
        char* after = nullptr;
        std::strtoll(text, &after, 10);
        s.residentKiB = std::strtoll(after, nullptr, 10) * (sysconf(_SC_PAGESIZE) / 1024);
    }
    return s;
}

std::int64_t thread_cpu_ns() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::int64_t thread_cpu_step_ns() { return 1; }

const char* thread_cpu_source() { return "CLOCK_THREAD_CPUTIME_ID"; }

} // namespace quon::host
