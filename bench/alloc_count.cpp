// Replacement allocation functions that count each allocation. Without a
// sanitizer, malloc itself is replaced (forwarding to glibc's own entry
// points) so that C allocations count too, and operator new goes through it;
// a sanitizer owns malloc, so there only operator new is counted.
#include "alloc_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUON_BENCH_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUON_BENCH_SANITIZED 1
#endif
#endif

namespace {
std::atomic<std::uint64_t> allocations{0};

void counted() { allocations.fetch_add(1, std::memory_order_relaxed); }
} // namespace

std::uint64_t alloc_count() { return allocations.load(std::memory_order_relaxed); }

#if !defined(QUON_BENCH_SANITIZED) && defined(__GLIBC__)
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size) {
    counted();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    counted();
    return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) {
    if (!block) counted();
    return __libc_realloc(block, size);
}
void free(void* block) { __libc_free(block); }
}
#define QUON_COUNT_NEW()
#else
#define QUON_COUNT_NEW() counted()
#endif

namespace {
void* allocate(std::size_t size) {
    QUON_COUNT_NEW();
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}
void* allocate(std::size_t size, const std::nothrow_t&) noexcept {
    QUON_COUNT_NEW();
    return std::malloc(size ? size : 1);
}
void* allocateAligned(std::size_t size, std::align_val_t align) {
    QUON_COUNT_NEW();
    const std::size_t a = static_cast<std::size_t>(align);
    void* block = nullptr;
    if (posix_memalign(&block, a < sizeof(void*) ? sizeof(void*) : a, size ? size : 1) != 0) throw std::bad_alloc();
    return block;
}
} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t& tag) noexcept { return allocate(size, tag); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return allocate(size, tag); }
void* operator new(std::size_t size, std::align_val_t align) { return allocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return allocateAligned(size, align); }

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
