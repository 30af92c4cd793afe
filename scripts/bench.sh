#!/usr/bin/env bash
# Sets up (missing Debian packages, Release build) and runs the benchmarks; prints one table.
# The figures and how to read them: bench/README.md.
#
#   scripts/bench.sh                      every benchmark, the soak for 3 minutes
#   scripts/bench.sh NAME [ARGS...]       those whose names contain NAME ("soak 30": half an hour;
#                                         VELMORA_BENCH_ROWS=20 ... batch: 20 batch rows, not 200)
#   --accessibility                       under Xvfb with a session and an accessibility bus, the
#                                         accessibility bridge on (QT_LINUX_ACCESSIBILITY_ALWAYS_ON)
#   --heaptrack FILE                      with heaptrack's heap profile written to FILE.zst
set -euo pipefail
cd "$(dirname "$0")/.."

accessibility=0
profile=""
while [ $# -gt 0 ]; do
    case "$1" in
        --accessibility) accessibility=1; shift ;;
        --heaptrack) profile="$2"; shift 2 ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || set -- "" 3

sets=(test)
if [ $accessibility -eq 1 ] || [ -n "$profile" ]; then
    sets+=(soak)
fi
scripts/deps.sh "${sets[@]}"
dir=build/bench
cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
    -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target velmora_bench

run=("$dir/bench/velmora_bench" "$@")
[ -z "$profile" ] || run=(heaptrack -o "$profile" "${run[@]}")
if [ $accessibility -eq 1 ]; then
    # The bridge connects only when the accessibility bus's launcher is there already, as it is in
    # a desktop session: asking the session bus for its address starts it.
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
    exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- sh -c \
        'dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
             >/dev/null && exec "$@"' bench "${run[@]}"
fi
exec "${run[@]}"
