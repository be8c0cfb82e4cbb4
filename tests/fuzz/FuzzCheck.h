#pragma once

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input; a failure stops the fuzzer (or
// the regression run) with the reason, like a crash would.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)
