#pragma once
// The invariant check of every fuzz target, free of Qt for the plain C ones.

#include <cstdio>
#include <cstdlib>

// A violated invariant is a finding: stop here, so the input is kept.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
