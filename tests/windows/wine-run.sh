#!/usr/bin/env bash
# Runs a cross-built program under Wine in a throwaway prefix: CTest's emulator for the Windows
# build, and the set-up step of scripts/test-windows.sh.
#   tests/windows/wine-run.sh PREFIX              set the prefix up and warm a wineserver
#   tests/windows/wine-run.sh PREFIX PROGRAM ...  the same, then run PROGRAM under wine, with
#                                                 the file $VELMORA_WINE_INPUT as its input if set
#
# The prefix is made once (some seconds) under a lock, so that parallel tests share it. Without a
# window manager Wine's own window management makes every hide stall, so the X11 driver is told
# not to manage windows. A wineserver outlives the command that started it and keeps that
# command's output pipes open: one started here with its output sent elsewhere is found by every
# later wine, so a runner that captures output never waits on a pipe held by the server.
set -euo pipefail

prefix=$1
shift
export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install Mono or Gecko

if [ ! -e "$prefix/.velmora-ready" ]; then
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -e "$prefix/.velmora-ready" ]; then
            rm -rf "$prefix"
            wineboot -i >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
            wineserver -w
            touch "$prefix/.velmora-ready"
        fi
    ) 9>"$prefix.lock"
fi

# Persistent for a minute after its last client; a running one makes this a no-op.
wineserver -p60 </dev/null >/dev/null 2>&1 || true

# Wine starts its own service processes beside the program, and they too inherit its output and
# outlive it; the program writes to a file, followed here while it runs, so that they never hold
# the caller's pipe.
if [ $# -gt 0 ]; then
    output=$(mktemp)
    wine "$@" >"$output" 2>&1 <"${VELMORA_WINE_INPUT:-/dev/null}" &
    program=$!
    tail -s 0.05 -n +1 -f --pid="$program" "$output" &
    follower=$!
    status=0
    wait "$program" || status=$?
    wait "$follower" || true
    rm -f "$output"
    exit "$status"
fi
