#include "soak/crash_journal.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstring>

namespace quon::host {

crash_journal::~crash_journal() {
    if (shared_) munmap(shared_, sizeof(shared));
}

bool crash_journal::create() {
    void* memory = mmap(nullptr, sizeof(shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return false;
    shared_ = static_cast<shared*>(memory);
    shared_->written = 0;
    return true;
}

void crash_journal::put(const said_step& step) {
    if (!shared_) return;
    slot& s = shared_->ring[shared_->written % slots];
    const bool fits = step.line.size() < lineBytes && step.script.size() < scriptBytes;
    std::snprintf(s.script, scriptBytes, "%s", step.script.c_str());
    std::snprintf(s.line, lineBytes, "%s", step.line.c_str());
    s.sayable = step.sayable && fits ? 1 : 0;
    ++shared_->written; // after the slot: the watcher never reads a half-written one as the last
}

std::vector<said_step> crash_journal::read() const {
    std::vector<said_step> steps;
    if (!shared_) return steps;
    const std::uint64_t written = shared_->written;
    for (std::uint64_t i = written > slots ? written - slots : 0; i < written; ++i) {
        const slot& s = shared_->ring[i % slots];
        steps.push_back({std::string(s.script, strnlen(s.script, scriptBytes)),
                         std::string(s.line, strnlen(s.line, lineBytes)), s.sayable != 0});
    }
    return steps;
}

} // namespace quon::host
