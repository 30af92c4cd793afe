#!/usr/bin/env bash
# Runs a Windows suite under Wine against the simulated tag reader on Linux.
#   serial-channel.sh SIMREADER PTY_MODEM_LIBRARY SILENT_LINE REPLUG_READER PREFIX FRAMES COMMAND...
#
# COMMAND runs once the ports are mapped, with WINEPREFIX set; FRAMES holds the reader's log
# lines ("frame ... -> ...") that the suite must leave, in order and nothing else.
#
# The reader serves a pseudo-terminal, which Wine's device folder maps as COM7 and as COM12 (a
# port name that opens only through "\\.\"); COM8 is a line whose far side never reads; COM9 is a
# reader that the suite unplugs and plugs in again through the FIFOs in the Windows folder
# $VELMORA_REPLUG_CONTROL (see host/replug_reader.cpp). COM10 leads nowhere, and COM11 to a
# device that is no serial port. The helpers run in sessions of their own: the wineserver opens
# the port itself and, as a session leader without a terminal, may take a pseudo-terminal as its
# controlling terminal, and the hang-up that follows must not reach them. After the suite, the
# frames the reader received and its answers are compared with FRAMES, byte for byte.
set -euo pipefail

simreader=$1
pty_modem=$2
silent_line=$3
replug_reader=$4
prefix=$5
frames=$6
shift 6
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
helpers=()
cleanup() {
    for pid in "${helpers[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -f "$prefix/dosdevices/com7" "$prefix/dosdevices/com8" "$prefix/dosdevices/com9" \
        "$prefix/dosdevices/com10" "$prefix/dosdevices/com11" "$prefix/dosdevices/com12"
    rm -rf "$work"
}
trap cleanup EXIT

"$here/wine-run.sh" "$prefix"

# Starts a helper in a session of its own with its output in $work/NAME.log, and waits for the
# line that names its pseudo-terminal (sed's expression takes the path out of it).
start_helper() {
    local name=$1 pattern=$2
    shift 2
    # The log exists before the helper opens it: the first look must not find it missing.
    : >"$work/$name.log"
    setsid "$@" >"$work/$name.log" 2>&1 </dev/null &
    local pid=$!
    helpers+=("$pid")
    for _ in $(seq 200); do
        device=$(sed -n "$pattern" "$work/$name.log")
        [ -n "$device" ] && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.02
    done
    echo "serial-channel.sh: $name did not start:" >&2
    cat "$work/$name.log" >&2
    exit 1
}

export XDG_CONFIG_HOME=$work/config
start_helper reader 's/^Simulated tag reader serving COM7 (\(.*\))$/\1/p' \
    "$simreader" --port COM7 --homepage start.example --table-info DELETE --verbose
ln -sfn "$device" "$prefix/dosdevices/com7"
export VELMORA_READER_LOG=$work/reader.log
ln -sfn "$device" "$prefix/dosdevices/com12"
start_helper silent-line 's/^\(\/dev\/.*\)$/\1/p' "$silent_line"
ln -sfn "$device" "$prefix/dosdevices/com8"
start_helper replug 's/^Replug reader serving \(.*\)$/\1/p' \
    "$replug_reader" "$prefix/dosdevices/com9" "$work/replug"
export VELMORA_REPLUG_CONTROL="Z:$work/replug"
ln -sfn "$work/nowhere" "$prefix/dosdevices/com10"
ln -sfn /dev/null "$prefix/dosdevices/com11"

status=0
WINEPREFIX=$prefix LD_PRELOAD=$pty_modem "$@" || status=$?

grep '^frame ' "$work/reader.log" >"$work/frames.log" || true
if ! diff -u "$frames" "$work/frames.log"; then
    echo "serial-channel.sh: the reader saw other frames than the suite sent (above)" >&2
    status=1
fi
exit "$status"
