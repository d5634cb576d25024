#include "heap_usage.h"

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUON_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUON_SANITIZED_HEAP 1
#endif
#endif

#if !defined(QUON_SANITIZED_HEAP) && defined(__has_include)
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define QUON_KNOWS_VALGRIND 1
#endif
#endif

#ifdef QUON_SANITIZED_HEAP
// The sanitizer runtimes' allocator statistics (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

std::size_t heap_bytes_in_use() {
#ifdef QUON_SANITIZED_HEAP
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

bool heap_under_sanitizer() {
#ifdef QUON_SANITIZED_HEAP
    return true;
#else
    return false;
#endif
}

bool memory_measurable() {
#ifdef QUON_KNOWS_VALGRIND
    return RUNNING_ON_VALGRIND == 0;
#else
    return true;
#endif
}

std::size_t resident_bytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0, resident = 0;
    const int read = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return read == 2 ? resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}
