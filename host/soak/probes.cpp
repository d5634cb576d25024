#include "soak/probes.h"

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace quon::host {

namespace {

DIR* open_folder(const char* path) {
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* d = fdopendir(fd);
    if (!d) close(fd);
    return d;
}

// Entries of an open folder, "." and ".." left out.
std::int64_t entries(void* folder) {
    if (!folder) return -1;
    DIR* d = static_cast<DIR*>(folder);
    rewinddir(d);
    std::int64_t n = 0;
    while (const dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    return n;
}

} // namespace

process_probe::process_probe()
    : descriptors_(open_folder("/proc/self/fd")), threads_(open_folder("/proc/self/task")),
      statm_(open("/proc/self/statm", O_RDONLY | O_CLOEXEC)) {}

process_probe::~process_probe() {
    if (descriptors_) closedir(static_cast<DIR*>(descriptors_));
    if (threads_) closedir(static_cast<DIR*>(threads_));
    if (statm_ >= 0) close(statm_);
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
    const std::int64_t fds = entries(descriptors_);
    s.descriptors = fds < 0 ? -1 : fds - 3;
    s.threads = entries(threads_);
    char text[128];
    const ssize_t got = statm_ >= 0 ? pread(statm_, text, sizeof text - 1, 0) : -1;
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

} // namespace quon::host
