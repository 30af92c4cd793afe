#!/usr/bin/env bash
# The release of this commit again under later versions, for the upgrade tests: each in a scratch
# clone whose only change, committed there and nowhere else, is the raised version in
# CMakeLists.txt's project() and its entry in NEWS. By default the two next steps from the
# project's version a.b.c.d: a.b.c.(d+1), which Windows Installer alone would not tell apart,
# and a.b.(c+1).0.
#   tests/package/raised-release.sh [VERSION ...]    the packages in build/raised/VERSION/dist,
#                                                    the folders listed in build/raised/releases
set -euo pipefail
cd "$(dirname "$0")/../.."

IFS=. read -r major minor patch tweak <<<"$(scripts/version.sh)"
if [ $# -eq 0 ]; then
    set -- "$major.${minor:-0}.${patch:-0}.$((${tweak:-0} + 1))" "$major.${minor:-0}.$((${patch:-0} + 1)).0"
fi
commit=$(git rev-parse HEAD)
when=$(git log -1 --format=%ct HEAD)
mkdir -p build/raised
: >build/raised/releases
for version in "$@"; do
    clone=$PWD/build/raised/$version
    rm -rf "$clone"
    git clone --quiet --no-checkout "$PWD" "$clone"
    git -C "$clone" checkout --quiet --detach "$commit"
    sed -i "s/^project(Velmora VERSION [0-9.]* /project(Velmora VERSION $version /" "$clone/CMakeLists.txt"
    # The new entry goes on top of the others, dated as this commit is; so is the clone's commit,
    # as a later time could lie in the future, where the build tools would take every file for
    # one that is still being written.
    awk -v entry="$version ($(date -u -d "@$when" +%F))" '
        !done && /^[0-9]+(\.[0-9]+)* \(/ { print entry; print "- The same program, under a raised version for the upgrade tests."; print ""; done = 1 }
        { print }' "$clone/NEWS" >"$clone/NEWS.new"
    mv "$clone/NEWS.new" "$clone/NEWS"
    [ "$(cd "$clone" && scripts/version.sh)" = "$version" ] || {
        echo "raised-release.sh: the clone's version did not become $version" >&2
        exit 1
    }
    GIT_AUTHOR_DATE="@$when" GIT_COMMITTER_DATE="@$when" \
        git -C "$clone" -c user.name=Velmora -c user.email=velmora@brelix.example \
        commit --quiet -am "Version $version, for the upgrade tests"
    started=$SECONDS
    if ! "$clone/scripts/package.sh" >"$clone.log" 2>&1; then
        cat "$clone.log" >&2
        exit 1
    fi
    rm -rf "$clone/build/package" "$clone.log"
    echo "$clone/dist" >>build/raised/releases
    echo "raised-release.sh: $version built in $((SECONDS - started)) s into $clone/dist"
done
