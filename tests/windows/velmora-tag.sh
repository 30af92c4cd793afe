#!/usr/bin/env bash
# velmora-tag.exe under Wine as a script runs it, against the simulated reader that
# serial-channel.sh serves on COM7 and whose log it checks against velmora-tag.frames: here the
# exit statuses and what the program says.
#   velmora-tag.sh PROGRAM   (WINEPREFIX set)
set -uo pipefail

program=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

# expect STATUS TEXT INPUT ARGS...: the program, given the file INPUT as standard input, must end
# with STATUS and say TEXT.
expect() {
    local want=$1 text=$2 input=$3
    shift 3
    local status=0
    VELMORA_WINE_INPUT=$input "$here/wine-run.sh" "$WINEPREFIX" "$program" "$@" >out.txt 2>&1 ||
        status=$?
    if [ "$status" -ne "$want" ] || ! grep -qF -- "$text" out.txt; then
        echo "velmora-tag.sh: '$*' ended with $status (want $want) without saying '$text':" >&2
        cat out.txt >&2
        failures=$((failures + 1))
    fi
}

# In the Korean code page (949, by LC_ALL): Hangul from a "CSV UTF-8" file goes to the wire as the
# window sends it, two bytes a character, and the limits count those bytes (10 here, where the
# file holds 15); JSON gives the characters back.
if [ "${VELMORA_EXPECT_ACP:-}" = 949 ]; then
    printf '\xef\xbb\xbfhomepage,table_info,lock\r\n' >korean.csv
    printf '\xec\x84\x9c\xec\x9a\xb8.example,\xed\x85\x8c\xec\x9d\xb4\xeb\xb8\x94\xec\xa0\x95\xeb\xb3\xb4,0\r\n' \
        >>korean.csv
    printf '\n' >answers.txt
    expect 0 "written and verified" answers.txt --port COM7 batch korean.csv
    expect 0 '{"homepage": "서울.example", "table_info": "테이블정보"}' /dev/null \
        --port COM7 read --json
    exit $((failures > 0))
fi

# Wine learns its COM ports when its server starts, before the harness maps COM7; so the list
# holds whatever it found then (COM1 for a /dev/ttyS0, say), in the system's names, or says where
# ports come from.
expect 0 "" /dev/null ports
if ! grep -qE '^COM[0-9]+  \\Device\\|no COM port stands for a device here' out.txt; then
    echo "velmora-tag.sh: ports listed no port and gave no hint" >&2
    failures=$((failures + 1))
fi
expect 0 "homepage: start.example" /dev/null --port COM7 read
expect 0 '{"homepage": "start.example", "table_info": "DELETE"}' /dev/null --port COM7 read --json
expect 0 "written and verified" /dev/null \
    --port COM7 write --homepage http://a,b --table-info T1 --verify
# The quick end: the same write, each exchange ended by its answer and a 20 ms silence.
expect 0 "written and verified" /dev/null \
    --port COM7 write --homepage q --table-info T0 --verify --quick --gap 20
expect 2 "at most 12" /dev/null --port COM7 write --table-info 1234567890123
expect 3 "COM50 is not connected to a device" /dev/null --port COM50 read

# Answers come from a pipe or file a line at a time: Enter writes the first row, s skips the next.
printf 'homepage,table_info,lock\r\nc,T2,\r\nd,,\r\n' >tags.csv
printf '\ns\n' >answers.txt
expect 0 "line 3: skipped" answers.txt --port COM7 batch tags.csv

# A batch with its log: while it waits at its prompt, a second run on the same log is refused
# before any frame; killed right behind its homepage write, it is resumed, the same tag put back,
# and only the table info the tag lacks is written, the row verified once.
printf 'homepage,table_info,lock\r\ne,T3,0\r\n' >logged.csv
mkfifo keys
WINEDEBUG=-all wine "$program" --port COM7 batch logged.csv --log results.csv <keys >first.txt 2>&1 &
pid=$!
exec 8>keys
await() { # FILE TEXT: waits up to 20 s for TEXT in FILE
    for _ in $(seq 400); do
        grep -qF -- "$2" "$1" && return 0
        sleep 0.05
    done
    echo "velmora-tag.sh: '$2' never appeared in $1:" >&2
    cat "$1" >&2
    failures=$((failures + 1))
    return 1
}
if await first.txt "Place the tag"; then
    expect 2 "results.csv is the log of a batch that is running" /dev/null \
        --port COM12 batch logged.csv --log results.csv
    printf '\n' >&8
    await "$VELMORA_READER_LOG" 'frame "\x01Ue\x04"'
fi
kill -KILL "$pid"
wait "$pid" 2>/dev/null
exec 8>&-
printf '\n' >answers.txt
expect 0 "line 2 was being written when the batch stopped: put its tag back" answers.txt \
    --port COM7 batch logged.csv --log results.csv --resume
if [ "$(grep -c '^[^,]*,2,e,T3,0,COM7,,WT3,,Success,"e,T3",verified,result$' results.csv)" -ne 1 ] ||
    [ "$(grep -c ',result$' results.csv)" -ne 1 ]; then
    echo "velmora-tag.sh: the log does not hold row 2 verified once, by its table info alone:" >&2
    cat results.csv >&2
    failures=$((failures + 1))
fi
expect 2 "cannot write the log nowhere/results.csv: " /dev/null \
    --port COM7 batch logged.csv --log nowhere/results.csv

# A batch file saved as "CSV UTF-8" goes to the wire in the code page (1252 here), as the window
# sends the same text; one saved in the code page goes as it is; a character the code page has no
# byte for is refused before anything is sent. JSON is UTF-8 whatever the code page.
printf '\xef\xbb\xbfhomepage,table_info,lock\r\ncaf\xc3\xa9.example,B\xc3\xa9,0\r\n' >utf8.csv
expect 0 "written and verified" answers.txt --port COM7 batch utf8.csv
expect 0 '{"homepage": "café.example", "table_info": "Bé"}' /dev/null --port COM7 read --json
printf 'homepage,table_info,lock\r\nna\xefve,,0\r\n' >ansi.csv
expect 0 "written and verified" answers.txt --port COM7 batch ansi.csv
printf 'homepage,table_info,lock\r\n\xec\x84\x9c\xec\x9a\xb8,,0\r\n' >korean.csv
expect 2 "korean.csv line 2: the homepage holds a character that this computer's code page" \
    answers.txt --port COM7 batch korean.csv

# Ctrl+C at a prompt, which Wine delivers as the console's Ctrl+C event on SIGINT: the program
# stops at once and ends with Windows' status for it (0xC000013A, of which a Linux parent sees the
# low byte). The answers stay open and empty, so only the interrupt can end the prompt.
printf 'homepage,table_info,lock\r\nd,,\r\n' >one.csv
mkfifo answers
WINEDEBUG=-all wine "$program" --port COM7 batch one.csv <answers >out.txt 2>&1 &
pid=$!
exec 9>answers
for _ in $(seq 400); do
    grep -q "Place the tag" out.txt && break
    sleep 0.05
done
kill -INT "$pid"
status=0
wait "$pid" || status=$?
exec 9>&-
if [ "$status" -ne $((0xC000013A & 0xFF)) ] || ! grep -qF "no tag was left half done" out.txt; then
    echo "velmora-tag.sh: Ctrl+C at a batch prompt ended with $status:" >&2
    cat out.txt >&2
    failures=$((failures + 1))
fi

exit $((failures > 0))
