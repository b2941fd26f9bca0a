#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the run when a property of a fuzz target does not hold; libFuzzer then keeps the input
// as a crash artifact.
#define FUZZ_CHECK(condition, property)                                                            \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "\nproperty broken: %s\n  (%s) at %s:%d\n", property, #condition, \
                         __FILE__, __LINE__);                                                      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
