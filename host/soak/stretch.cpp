#include "soak/stretch.h"

namespace quon::host {

namespace {
void push(std::deque<said_step>& ring, const said_step& step) {
    if (ring.size() == step_rings::kept) ring.pop_front();
    ring.push_back(step);
}
} // namespace

void step_rings::add(event_kind kind, said_step step) {
    push(kinds_[index_of(kind)], step);
    push(all_, step);
}

std::vector<said_step> step_rings::of_kind(event_kind kind) const {
    return {kinds_[index_of(kind)].begin(), kinds_[index_of(kind)].end()};
}

std::vector<said_step> step_rings::last() const { return {all_.begin(), all_.end()}; }

} // namespace quon::host
