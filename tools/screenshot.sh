#!/usr/bin/env bash
# Takes a screenshot of the main window as the program shows it, under a virtual X server.
#   tools/screenshot.sh [output.png]     (default: build/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."

out=$(realpath -m "${1:-build/screenshot.png}")
scripts/deps.sh run shot
dir=build/run
cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
mkdir -p "$(dirname "$out")"

export VELMORA_BIN="$PWD/$dir/src/app/velmora" OUT="$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" bash -c '
    "$VELMORA_BIN" & pid=$!
    for _ in $(seq 100); do
        id=$(xwininfo -root -tree | awk "/Brelix/ {print \$1; exit}")
        [ -n "$id" ] && break
        sleep 0.1
    done
    sleep 0.5  # the first paint
    import -window "$id" "$OUT"
    kill "$pid"'
echo "Screenshot: $out"
