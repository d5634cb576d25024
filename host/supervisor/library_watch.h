// library_watch: the library file that "serve --watch" follows. A build is noticed by the file's
// identity (device and file number with links resolved, size, time written),
// so a link turned to another file is a new build even when size and time
// match; it is offered once it has stayed the same for the settle time, and
// a build taken is not offered again until the file changes. A build that
// does not load may be one a linker is still writing (it pauses longer than
// the settle time on a busy machine): it is offered again, a few times, and
// only then found not ready. Each process loads a private copy of the build
// (base/private_copy.h).
#ifndef HOST_SUPERVISOR_LIBRARY_WATCH_H
#define HOST_SUPERVISOR_LIBRARY_WATCH_H

#include "base/private_copy.h"
#include "process/files.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace quon::host {

// The file at `path` as it is now, links resolved; exists false when none.
file_identity identity_of(const std::string& path);

class library_watch {
public:
    using clock = std::chrono::steady_clock;
    using file_state = std::function<file_identity()>;
    static constexpr auto settle = std::chrono::milliseconds(300); // unchanged this long: written completely
    // A build that did not load is tried this many times in all, each try
    // `retryAfter` after the one before, while the file stays the same.
    static constexpr int trials = 3;
    static constexpr auto retryAfter = std::chrono::milliseconds(700);

    // The file as it is now counts as taken.
    explicit library_watch(const std::string& path);
    // The same, the file's state told by `state` (tests give one of their own).
    explicit library_watch(file_state state);
    // A build not taken yet that has settled.
    bool ready(clock::time_point now = clock::now());
    // This build was taken (tried: a load that fails is told with failed()).
    void taken(const file_identity& build) { taken_ = build; }

    enum class verdict { try_again, not_ready };
    // The build taken did not load: try_again while it has had fewer than
    // `trials` tries (it is offered again), then not_ready (not offered
    // again until the file changes).
    verdict failed(const file_identity& build, clock::time_point now = clock::now());

private:
    file_state state_;
    file_identity taken_, seen_, failed_;
    clock::time_point seenAt_, failedAt_;
    int failures_ = 0;
};

} // namespace quon::host

#endif
