#!/usr/bin/env bash
# Sets up (missing Debian packages, Release build) and runs every benchmark; prints one table.
# The figures and how to read them: bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
dir=build/bench
cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
    -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target velmora_bench

"$dir/bench/velmora_bench"
