#!/usr/bin/env bash
# Runs the Windows build's suites under Wine; scripts/build-windows.sh builds them first.
# A virtual X server stands in when there is no display; the Wine prefix lives in build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build/windows
if [ ! -f "$dir/CTestTestfile.cmake" ]; then
    echo "test-windows.sh: no Windows build in $dir; run scripts/build-windows.sh first" >&2
    exit 2
fi
prefix=$PWD/$dir/wineprefix
source tests/windows/virtual-display.sh

xvfb_pid=""
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

start_virtual_display

started=$(date +%s%N)
tests/windows/wine-run.sh "$prefix"
echo "Wine prefix ready in $(( ($(date +%s%N) - started) / 1000000 )) ms"
ctest --test-dir "$dir" --output-on-failure --timeout 240
