#include "soak/crash_journal.h"

#include <cstdio>
#include <cstring>

namespace quon::host {

std::size_t crash_journal::bytes() { return sizeof(shared); }

void crash_journal::attach(void* memory) { shared_ = static_cast<shared*>(memory); }

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
