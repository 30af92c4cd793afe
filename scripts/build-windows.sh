#!/usr/bin/env bash
# Cross-builds the Windows program with mingw-w64 into build/windows, installing the Debian
# packages it needs first: build/windows/Velmora.exe, one static executable with nothing beside
# it, and velmora-tag.exe and the test programs that scripts/test-windows.sh runs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows

# The Linux side of the serial suite under Wine: the simulated reader and the preloaded helper
# that gives its pseudo-terminal modem lines, and the reader that a suite unplugs.
host=build/windows/host
cmake -G Ninja -S . -B "$host" -DCMAKE_BUILD_TYPE=Release -DVELMORA_WITH_GUI=OFF \
    -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF -DVELMORA_WINE_HELPERS=ON >/dev/null
cmake --build "$host" -j 2 --target velmora-simreader velmora_pty_modem velmora-silent-line \
    velmora-replug-reader

# Optimised for size: one executable to copy. (-O3 would also draw a false -Wrestrict warning from
# GCC 12's string concatenation.)
cmake -G Ninja -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DVELMORA_WITH_GUI=ON -DVELMORA_BUILD_TESTS=ON \
    -DVELMORA_BUILD_BENCH=OFF -DVELMORA_WINE_HOST_BUILD="$PWD/$host" >/dev/null
cmake --build build/windows -j 2
echo "Built $PWD/build/windows/Velmora.exe"
