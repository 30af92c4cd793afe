#!/usr/bin/env bash
# Runs the Windows program, build/windows/Velmora.exe, under Wine against the simulated tag reader:
# a look at the Windows build without a Windows PC or a tag writer. The reader serves a
# pseudo-terminal that Wine's prefix in build/windows maps as COM1; the program writes
# port_info.txt into build/windows/try. Builds first (scripts/build-windows.sh) when needed.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
    echo "No X display found (DISPLAY is unset): run this from a desktop session." >&2
    exit 1
fi

dir=$PWD/build/windows
simreader=$dir/host/tools/simreader/velmora-simreader
pty_modem=$dir/host/tests/windows/host/libvelmora_pty_modem.so
if [ ! -f "$dir/Velmora.exe" ] || [ ! -x "$simreader" ] || [ ! -f "$pty_modem" ]; then
    scripts/build-windows.sh
fi
prefix=$dir/wineprefix
tests/windows/wine-run.sh "$prefix"

# In a session of its own: the wineserver may take the pseudo-terminal as its controlling
# terminal, and the hang-up when it lets go must not end the reader.
# Its own device map too, so that it leaves the Linux program's map alone.
work=$(mktemp -d)
log=$work/reader.log
XDG_CONFIG_HOME=$work setsid "$simreader" --port COM1 --verbose >"$log" 2>&1 </dev/null &
reader=$!
cleanup() {
    kill "$reader" 2>/dev/null || true
    wait "$reader" 2>/dev/null || true
    rm -f "$prefix/dosdevices/com1"
    rm -rf "$work"
}
trap cleanup EXIT
device=""
for _ in $(seq 200); do
    device=$(sed -n 's/^Simulated tag reader serving COM1 (\(.*\))$/\1/p' "$log")
    [ -n "$device" ] && break
    sleep 0.02
done
if [ -z "$device" ]; then
    echo "The simulated reader did not start:" >&2
    cat "$log" >&2
    exit 1
fi
ln -sfn "$device" "$prefix/dosdevices/com1"
echo "The simulated reader serves COM1: choose COM1 and press OPEN."

mkdir -p "$dir/try"
cd "$dir/try"
# Wine's serial code asks a pseudo-terminal for modem lines it does not have; the helper answers.
WINEPREFIX=$prefix WINEDEBUG=-all LD_PRELOAD=$pty_modem wine "$dir/Velmora.exe"
