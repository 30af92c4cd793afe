#!/usr/bin/env bash
# Runs the Windows serial suite under Wine against the simulated tag reader on Linux.
#   serial-channel.sh SIMREADER PTY_MODEM_LIBRARY PREFIX PROGRAM
#
# The reader serves a pseudo-terminal, which Wine's device folder maps as COM7 and as COM12 (a
# port name that opens only through "\\.\"). The reader runs in a session of its own: the
# wineserver opens the port itself and, as a session leader without a terminal, may take the
# pseudo-terminal as its controlling terminal, and the hang-up that follows must not reach the
# reader. After the suite, the frames the reader received and its answers are compared with
# what the suite sent, byte for byte.
set -euo pipefail

simreader=$1
pty_modem=$2
prefix=$3
program=$4
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
reader_pid=""
cleanup() {
    if [ -n "$reader_pid" ]; then
        kill "$reader_pid" 2>/dev/null || true
        wait "$reader_pid" 2>/dev/null || true
    fi
    rm -f "$prefix/dosdevices/com7" "$prefix/dosdevices/com12"
    rm -rf "$work"
}
trap cleanup EXIT

"$here/wine-run.sh" "$prefix"

XDG_CONFIG_HOME=$work/config setsid "$simreader" --port COM7 --homepage start.example \
    --table-info DELETE --verbose >"$work/reader.log" 2>&1 </dev/null &
reader_pid=$!
device=""
for _ in $(seq 200); do
    device=$(sed -n 's/^Simulated tag reader serving COM7 (\(.*\))$/\1/p' "$work/reader.log")
    [ -n "$device" ] && break
    kill -0 "$reader_pid" 2>/dev/null || break
    sleep 0.02
done
if [ -z "$device" ]; then
    echo "serial-channel.sh: the simulated reader did not start:" >&2
    cat "$work/reader.log" >&2
    exit 1
fi
ln -sfn "$device" "$prefix/dosdevices/com7"
ln -sfn "$device" "$prefix/dosdevices/com12"

status=0
LD_PRELOAD=$pty_modem "$here/wine-run.sh" "$prefix" "$program" || status=$?

cat >"$work/expected.log" <<'FRAMES'
frame "\x01R\x04" -> "start.example,DELETE"
frame "\x01Uexample.org/tag\x04" -> "Success"
frame "\x01WSTART\x04" -> "Success"
frame "\x01R\x04" -> "example.org/tag,START"
frame "\x01R\x04" -> "example.org/tag,START"
FRAMES
grep '^frame ' "$work/reader.log" >"$work/frames.log" || true
if ! diff -u "$work/expected.log" "$work/frames.log"; then
    echo "serial-channel.sh: the reader saw other frames than the suite sent (above)" >&2
    status=1
fi
exit "$status"
