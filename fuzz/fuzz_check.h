// FUZZ_CHECK: a broken invariant in a fuzz target. It prints what broke and
// aborts, which the fuzzer reports as a crash and saves the input for.
#ifndef FUZZ_CHECK_H
#define FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                                                    \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__, what, #condition);              \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

#endif
