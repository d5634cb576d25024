#include "soak/crash_journal.h"

#include <algorithm>
#include <cstring>

namespace quon::host {

std::size_t crash_journal::bytes() { return sizeof(shared); }

void crash_journal::attach(void* memory) { shared_ = static_cast<shared*>(memory); }

namespace {
// Copies `text` into a slot's field of `size` bytes, cut to fit; false when cut.
bool copy_into(char* field, std::size_t size, const std::string& text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
    return n == text.size();
}
} // namespace

void crash_journal::put(const said_step& step, std::int64_t number, std::int64_t atMs) {
    if (!shared_) return;
    slot& s = shared_->ring[shared_->written % slots];
    const bool scriptFits = copy_into(s.script, scriptBytes, step.script);
    const bool lineFits = copy_into(s.line, lineBytes, step.line);
    s.sayable = step.sayable && scriptFits && lineFits ? 1 : 0;
    s.number = number;
    s.atMs = atMs;
    ++shared_->written; // after the slot: the watcher never reads a half-written one as the last
}

said_step crash_journal::step_of(const slot& s) {
    return {std::string(s.script, strnlen(s.script, scriptBytes)), std::string(s.line, strnlen(s.line, lineBytes)),
            s.sayable != 0};
}

std::vector<said_step> crash_journal::read() const {
    std::vector<said_step> steps;
    if (!shared_) return steps;
    const std::uint64_t written = shared_->written;
    for (std::uint64_t i = written > slots ? written - slots : 0; i < written; ++i)
        steps.push_back(step_of(shared_->ring[i % slots]));
    return steps;
}

bool crash_journal::last(event& out) const {
    if (!shared_ || shared_->written == 0) return false;
    const slot& s = shared_->ring[(shared_->written - 1) % slots];
    out = {s.number, s.atMs, step_of(s)};
    return true;
}

} // namespace quon::host
