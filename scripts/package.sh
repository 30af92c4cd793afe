#!/usr/bin/env bash
# Builds the release of the checked-out commit into dist/, installing the Debian packages it needs:
#   velmora_<version>_amd64.deb            dpkg-buildpackage from debian/, then lintian
#   SHA256SUMS
# The version is CMake's project(VERSION). The packages are made from the commit (git archive
# HEAD), never from uncommitted edits, and the same commit gives the same bytes in any folder at
# any time: SOURCE_DATE_EPOCH is the commit's time and build paths are mapped away.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh package

version=$(scripts/version.sh)
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "package.sh: packaging commit ${commit:0:12}; the uncommitted changes are not in it" >&2
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
umask 022

work=$PWD/build/package
dist=$PWD/dist
src=$work/velmora-$version
rm -rf "$work" "$dist"
mkdir -p "$src" "$dist"
git archive --format=tar HEAD | tar -x -C "$src"

# Runs a step with its output in $work/NAME.log, shown only when it fails. (The shell does not
# stop at a failing command inside a step: a step chains its commands with &&.)
step() {
    local name=$1
    shift
    local started=$SECONDS
    if ! "$@" >"$work/$name.log" 2>&1; then
        tail -n 30 "$work/$name.log" | cut -c1-400 >&2
        echo "package.sh: $name failed; the whole log is $work/$name.log" >&2
        exit 1
    fi
    echo "package.sh: $name done in $((SECONDS - started)) s"
}

# --- Debian ---------------------------------------------------------------------------------
# The changelog's top entry is this version, dated at the commit.
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -R -d "@$SOURCE_DATE_EPOCH")/" \
    "$src/debian/changelog.in" >"$src/debian/changelog"
rm "$src/debian/changelog.in"
# dpkg-buildflags maps the build folder away (-ffile-prefix-map) and keeps SOURCE_DATE_EPOCH.
build_deb() { (cd "$src" && dpkg-buildpackage -b -uc -us); }
step deb build_deb
deb=velmora_${version}_amd64.deb
cp "$work/$deb" "$dist/"

step lintian lintian --fail-on error --info "$dist/$deb"
grep -E '^[EW]: ' "$work/lintian.log" || true
dpkg-deb -x "$dist/$deb" "$work/deb-root"
step appstream appstreamcli validate --no-net \
    "$work/deb-root/usr/share/metainfo/com.brelix.velmora.metainfo.xml"

(cd "$dist" && sha256sum "$deb" >SHA256SUMS)
echo "$commit" >"$work/commit"
echo "Built $version (commit ${commit:0:12}) into $dist:"
cat "$dist/SHA256SUMS"
