#pragma once
// What a fuzz target does when an invariant breaks: says which one, then aborts, so that libFuzzer
// keeps the input as a crash.

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace fuzz
