#include "supervisor/library_watch.h"

#include "process/files.h"

#include <filesystem>

namespace quon::host {

file_identity identity_of(const std::string& path) {
    const native_file f = open_to_read(path);
    if (f == noFile) return {};
    const file_identity id = identity_of_open(f);
    close_file(f);
    return id;
}

library_watch::library_watch(const std::string& path)
    : library_watch(file_state([path] { return identity_of(path); })) {}

library_watch::library_watch(file_state state)
    : state_(std::move(state)), taken_(state_()), seen_(taken_), seenAt_(clock::now()) {}

library_watch::verdict library_watch::failed(const file_identity& build, clock::time_point now) {
    if (build != failed_) failures_ = 0; // another build: tries of its own
    failed_ = build;
    failedAt_ = now;
    if (++failures_ >= trials) return verdict::not_ready; // stays taken until the file changes
    taken_ = {};
    return verdict::try_again;
}

bool library_watch::ready(clock::time_point now) {
    const file_identity id = state_();
    if (id != seen_) {
        seen_ = id;
        seenAt_ = now;
        return false;
    }
    if (!id.exists || id == taken_ || now - seenAt_ < settle) return false;
    return id != failed_ || now - failedAt_ >= retryAfter;
}

} // namespace quon::host
