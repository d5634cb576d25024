#include "allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> calls{0}, bytes{0}, live{0};
} // namespace

allocation_tally allocations_so_far() { return {calls.load(), bytes.load(), live.load()}; }

// Every plain form is replaced, arrays and nothrow too: a sanitizer's
// runtime has its own of each, and a block made by its nothrow new must not
// be freed by ours. Aligned forms are not counted.
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

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { operator delete(p); }
