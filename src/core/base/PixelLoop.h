#pragma once

// Marks a function that only walks pixels. A fuzz build then leaves its
// comparisons out of the coverage feedback: a loop over every pixel has no
// branch worth steering the fuzzer by, and tracing each of its comparisons
// cost most of a decode. Address checks stay. Never inlined there, as the
// caller's tracing would then cover the loop again. Elsewhere it is nothing.
#if defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION) && defined(__clang__)
#define TOLVEK_PIXEL_LOOP __attribute__((no_sanitize("coverage"), noinline))
#else
#define TOLVEK_PIXEL_LOOP
#endif
