#!/usr/bin/env bash
# The release is reproducible: the packages of this commit, built a second time from a clone in
# another folder and later than the first, are byte for byte those in dist/ (their SHA256SUMS
# compared). Run after scripts/package.sh.
#   tests/package/reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/../.."

commit=$(git rev-parse HEAD)
if [ ! -f dist/SHA256SUMS ] || [ "$(cat build/package/commit 2>/dev/null)" != "$commit" ]; then
    echo "reproducible.sh: dist/ does not hold this commit's packages; run scripts/package.sh first" >&2
    exit 2
fi
work=$PWD/build/reproduce
again=$work/another/folder/velmora
rm -rf "$work"
git clone --quiet --no-checkout "$PWD" "$again"
git -C "$again" checkout --quiet --detach "$commit"

started=$SECONDS
"$again/scripts/package.sh" >"$work/package.log" 2>&1 || {
    cat "$work/package.log" >&2
    exit 1
}
if ! diff -u dist/SHA256SUMS "$again/dist/SHA256SUMS"; then
    while read -r _ file; do
        cmp -s "dist/$file" "$again/dist/$file" ||
            echo "reproducible.sh: $file differs in $(cmp -l "dist/$file" "$again/dist/$file" | wc -l) bytes" >&2
    done <dist/SHA256SUMS
    echo "reproducible.sh: the second build differs (kept in $again/dist)" >&2
    exit 1
fi
rm -rf "$work"
echo "reproducible.sh: a second build in another folder gave the same bytes ($((SECONDS - started)) s):"
cat dist/SHA256SUMS
