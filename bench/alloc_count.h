// alloc_count: counts the heap allocations this process makes. The benchmark
// binary links alloc_count.cpp, which replaces the global allocation
// functions; a benchmark reads the count before and after its loop.
#ifndef ALLOC_COUNT_H
#define ALLOC_COUNT_H

#include <cstdint>

// Allocations (malloc, calloc, realloc of a new block, every form of
// operator new) since the process started.
std::uint64_t alloc_count();

#endif
