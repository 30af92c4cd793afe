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

xvfb_pid=""
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    # -displayfd picks a free display number: other X servers may share this machine.
    number_file=$(mktemp)
    Xvfb -displayfd 9 -nolisten tcp -screen 0 1280x1024x24 9>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$number_file")"
    rm -f "$number_file"
fi

started=$(date +%s%N)
tests/windows/wine-run.sh "$prefix"
echo "Wine prefix ready in $(( ($(date +%s%N) - started) / 1000000 )) ms"
ctest --test-dir "$dir" --output-on-failure --timeout 240
