#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time on a copy of its seed
# corpus (fuzz/corpus/<target>/ stays as checked in). Fails when any target finds a crash, a leak
# or a broken invariant; the input that did it is left in build/fuzz/run/<target>/artifacts/.
#   scripts/fuzz.sh [seconds per target]     (default: $FUZZ_SECONDS, else 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-60}}
dir=build/fuzz

scripts/deps.sh fuzz
CC=clang CXX=clang++ cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_FUZZ=ON -DVELMORA_WITH_GUI=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"

# Target and its longest input: answers and hex text are short lines; the receive target takes
# up to a handful of bursts of up to 4 KiB.
targets=(
    "hex_text_fuzzer 1024"
    "read_answer_fuzzer 256"
    "write_answer_fuzzer 256"
    "rx_bursts_fuzzer 16384"
)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

stat() {  # the value of libFuzzer's final statistic $1 in log $2
    sed -n "s/^stat::$1: *//p" "$2" | tail -n1
}

failed=0
for entry in "${targets[@]}"; do
    read -r target max_len <<<"$entry"
    work=$dir/run/$target
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp fuzz/corpus/"$target"/* "$work/corpus/"
    start=$(date +%s)
    status=0
    "$dir/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" >"$work/log" 2>&1 || status=$?
    elapsed=$(($(date +%s) - start))
    seeds=$(ls fuzz/corpus/"$target" | wc -l)
    if [ "$status" -eq 0 ]; then
        echo "fuzz $target: $(stat number_of_executed_units "$work/log") execs in ${elapsed} s" \
            "($(stat average_exec_per_sec "$work/log")/s), corpus $seeds -> $(ls "$work/corpus" | wc -l)," \
            "peak RSS $(stat peak_rss_mb "$work/log") MB"
    else
        failed=1
        echo "fuzz $target: FAILED after ${elapsed} s (exit $status); log $work/log" >&2
        grep -E "invariant broken|ERROR: |SUMMARY: |Test unit written" "$work/log" >&2 || tail -n 30 "$work/log" >&2
    fi
done
exit $failed
