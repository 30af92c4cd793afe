#!/usr/bin/env bash
# Sets up (missing Debian packages, build) and runs Velmora.
# When no port is mapped in the device map folder, the simulated tag reader is started first and
# serves COM1, so that a newcomer without a tag writer can try the whole job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
dir=build/run
cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): run this from a desktop session." >&2
    exit 1
fi

map="${XDG_CONFIG_HOME:-$HOME/.config}/velmora/ports"
if [ -z "$(ls -A "$map" 2>/dev/null)" ]; then
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    "$dir/tools/simreader/velmora-simreader" --port COM1 >"$fifo" &
    sim_pid=$!
    trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -f "$fifo"' EXIT
    read -r line <"$fifo"
    echo "$line"
    echo "No tag reader is mapped in $map: choose COM1 and press OPEN to use the simulated one."
fi

"$dir/src/app/Velmora"
