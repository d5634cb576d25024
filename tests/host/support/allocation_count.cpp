#include "allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> calls{0}, bytes{0}, live{0};
} // namespace

allocation_tally allocations_so_far() { return {calls.load(), bytes.load(), live.load()}; }

// The other forms (arrays, nothrow) reach these in the
// standard library; aligned forms are not counted.
void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    calls.fetch_add(1, std::memory_order_relaxed);
    bytes.fetch_add(size, std::memory_order_relaxed);
    live.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void operator delete(void* p) noexcept {
    if (!p) return;
    live.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
