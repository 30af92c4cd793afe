// The benchmarks that need no window.

#include "harness.h"

// Runs them all, or those whose names contain the first argument.
int main(int argc, char** argv) {
    return bench::RunAll(argc > 1 ? argv[1] : "");
}
