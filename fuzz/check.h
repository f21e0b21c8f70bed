// An invariant of the fuzz target: when it breaks, say which and abort, so the fuzzer keeps the
// input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void check(bool ok, const char *what) {
    if (ok)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}
