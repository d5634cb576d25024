// heap_usage: how much memory the process holds, for tests that check it
// does not grow. Under a sanitizer the sanitizer's allocator is asked (the
// exact bytes allocated and not freed); otherwise glibc's heap statistics.
#ifndef HEAP_USAGE_H
#define HEAP_USAGE_H

#include <cstddef>

// Bytes allocated and not yet freed.
std::size_t heap_bytes_in_use();
// Resident set size in bytes, from /proc; 0 where there is none.
std::size_t resident_bytes();
// Whether a sanitizer's allocator serves this process.
bool heap_under_sanitizer();
// False under valgrind, whose allocator and translation caches make both
// figures meaningless (its leak check is what counts there).
bool memory_measurable();

#endif
