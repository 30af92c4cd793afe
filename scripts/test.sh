#!/usr/bin/env bash
# Sets up (missing Debian packages, build) and runs the whole test suite.
#   scripts/test.sh          the suite, plain build
#   scripts/test.sh --asan   the suite under AddressSanitizer + UndefinedBehaviorSanitizer
#   scripts/test.sh --tsan   the suites that need no window under ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-plain}
opts=()
case "$mode" in
    plain) dir=build/test ;;
    --asan) dir=build/asan; opts=(-DVELMORA_SANITIZE=address -DVELMORA_BUILD_BENCH=OFF) ;;
    --tsan) dir=build/tsan; opts=(-DVELMORA_SANITIZE=thread -DVELMORA_WITH_GUI=OFF -DVELMORA_BUILD_BENCH=OFF) ;;
    *) echo "usage: scripts/test.sh [--asan|--tsan]" >&2; exit 2 ;;
esac

scripts/deps.sh test
cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${opts[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

ctest --test-dir "$dir" --output-on-failure --timeout 240
