#pragma once
// A check that stops the fuzzer with the failing condition, in every build type.

#include <cstdio>
#include <cstdlib>

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #cond);                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
