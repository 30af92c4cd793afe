#!/usr/bin/env bash
# Runs the test programs that need no window under Valgrind's memcheck: any invalid access, use of
# uninitialised memory or leak fails the run.
#   scripts/memcheck.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh memcheck

dir=build/memcheck
programs=(tag_text_tests comm_tests sim_tests fault_channel_tests)
cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_WITH_GUI=OFF \
    -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${programs[@]}"

failed=0
for p in "${programs[@]}"; do
    bin=$(find "$dir/tests" -type f -name "$p" -perm -u+x | head -n1)
    start=$(date +%s)
    # Valgrind warns that it does not know ioctls 0x540c/0x540d (TIOCEXCL, TIOCNXCL); they take no
    # argument, so nothing goes unchecked.
    # A child forked to probe the port lock inherits the parent's heap without its threads, so
    # it would report what only those threads pointed to; it runs no code of ours worth checking.
    if valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --track-origins=yes \
        --child-silent-after-fork=yes --quiet "$bin" --gtest_brief=1; then
        result=clean
    else
        result=FAILED
        failed=1
    fi
    echo "memcheck $p: $result in $(($(date +%s) - start)) s"
done
exit $failed
