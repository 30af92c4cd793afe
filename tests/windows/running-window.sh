#!/usr/bin/env bash
# Velmora.exe started as the operator starts it, in the folder FOLDER (the shortcut's working
# folder), and driven from outside by the running-window test program; serial-channel.sh serves
# COM7 and checks the frames. Velmora.exe must then end by itself with status 0, having written
# port_info.txt (the port, then the four list selections) into FOLDER.
#   running-window.sh VELMORA_EXE DRIVER FOLDER   (WINEPREFIX set)
set -euo pipefail

program=$1
driver=$2
folder=$3
here=$(cd "$(dirname "$0")" && pwd)

rm -f "$folder/port_info.txt"
# Its output (Wine's sound drivers talk) is shown only when something fails.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
(cd "$folder" && exec "$here/wine-run.sh" "$WINEPREFIX" "$program") >"$output" 2>&1 &
window=$!
status=0
"$here/wine-run.sh" "$WINEPREFIX" "$driver" || status=$?
if [ "$status" -ne 0 ]; then
    # A window the driver could not close (or never found) would keep the prefix busy.
    wineserver -k 2>/dev/null || true
fi
ended=0
wait "$window" || ended=$?
if [ "$status" -eq 0 ] && [ "$ended" -ne 0 ]; then
    echo "running-window.sh: $(basename "$program") ended with $ended" >&2
    status=1
fi
if [ "$status" -eq 0 ] && [ "$(head -n1 "$folder/port_info.txt" 2>/dev/null | tr -d '\r')" != COM7 ]; then
    echo "running-window.sh: no port_info.txt naming COM7 in $folder" >&2
    status=1
fi
if [ "$status" -ne 0 ]; then
    echo "running-window.sh: what $(basename "$program") said:" >&2
    cat "$output" >&2
fi
exit "$status"
