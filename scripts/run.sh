#!/usr/bin/env bash
# Sets up (missing Debian packages, build) and runs Velmora.
# The program runs in a per-user state folder, ${XDG_STATE_HOME:-~/.local/state}/velmora, where it
# writes port_info.txt, so nothing lands in the source checkout.
# When no port in the device map leads to a device, the simulated tag reader is started first on
# the first free COMn, so that a newcomer without a tag writer can try the whole job.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): run this from a desktop session." >&2
    exit 1
fi

scripts/deps.sh run
dir=$PWD/build/run
cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"

config_home=${XDG_CONFIG_HOME:-}
[[ "$config_home" == /* ]] || config_home=$HOME/.config
state_home=${XDG_STATE_HOME:-}
[[ "$state_home" == /* ]] || state_home=$HOME/.local/state

map="$config_home/velmora/ports"
live=0
dead=()
for entry in "$map"/*; do
    if [ -e "$entry" ]; then
        live=$((live + 1))
    elif [ -L "$entry" ]; then
        dead+=("$(basename "$entry") -> $(readlink "$entry")")
    fi
done
if [ "$live" -eq 0 ]; then
    if [ ${#dead[@]} -gt 0 ]; then
        echo "The device map $map holds only links to devices that are not there:"
        printf '    %s\n' "${dead[@]}"
        echo "Plug the device in and run this again; meanwhile the simulated reader stands in."
    fi
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    "$dir/tools/simreader/velmora-simreader" >"$fifo" &
    sim_pid=$!
    trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -f "$fifo"' EXIT
    read -r line <"$fifo"
    echo "$line"
    port=$(sed -n 's/^Simulated tag reader serving \(COM[0-9]*\) .*/\1/p' <<<"$line")
    echo "No device in $map is there: choose ${port:-its port} and press OPEN to use the simulated one."
fi

state="$state_home/velmora"
mkdir -p "$state"
cd "$state"
"$dir/src/app/velmora"
