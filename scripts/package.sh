#!/usr/bin/env bash
# Builds the release of the checked-out commit into dist/, installing the Debian packages it needs:
#   velmora_<version>_amd64.deb            dpkg-buildpackage from debian/, then lintian
#   velmora-dbgsym_<version>_amd64.deb     the programs' debug symbols, from the same build
#   velmora-<version>-windows-x86_64.zip   Velmora.exe, velmora-tag.exe and README.txt, under
#                                          velmora-<version>/
#   velmora-<version>-x64.msi              the same two executables, installed by Windows Installer
#   SHA256SUMS                             of the four
# The version is CMake's project(VERSION). The packages are made from the commit (git archive
# HEAD), never from uncommitted edits, and the same commit gives the same bytes in any folder at
# any time: SOURCE_DATE_EPOCH is the commit's time, build paths are mapped away, PE headers carry
# no link time, and archive entries are sorted with the commit's time.
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
# A release says what changed in it: the commit's NEWS has this version's entry at its top.
"$src/scripts/release-notes.sh" check "$version"

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
# debian/changelog is made from the release notes, whose top entry must be this version.
"$src/scripts/release-notes.sh" debian >"$src/debian/changelog"
# dpkg-buildflags maps the build folder away (-ffile-prefix-map) and keeps SOURCE_DATE_EPOCH.
build_deb() { (cd "$src" && dpkg-buildpackage -b -uc -us); }
step deb build_deb
deb=velmora_${version}_amd64.deb
dbgsym=velmora-dbgsym_${version}_amd64.deb
cp "$work/$deb" "$work/$dbgsym" "$dist/"

# Every tag lintian knows, down to the pedantic and experimental ones, fails the release.
step lintian lintian -EviIL +pedantic --fail-on error,warning,info,pedantic,experimental \
    "$dist/$deb" "$dist/$dbgsym"
dpkg-deb -x "$dist/$deb" "$work/deb-root"
step appstream appstreamcli validate --no-net \
    "$work/deb-root/usr/share/metainfo/com.brelix.velmora.metainfo.xml"
step desktop-entry desktop-file-validate "$work/deb-root/usr/share/applications/velmora.desktop"

# --- Windows --------------------------------------------------------------------------------
win=$work/windows
build_windows() {
    cmake -G Ninja -S "$src" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$src=. -ffile-prefix-map=$win=build" &&
        cmake --build "$win" -j 2 --target Velmora velmora-tag
}
step windows-build build_windows

# What both Windows packages hold, with the commit's time and plain modes.
stage=$work/windows-files
mkdir -p "$stage"
cp "$win/Velmora.exe" "$win/src/cli/velmora-tag.exe" "$stage/"
sed 's/$/\r/' "$src/packaging/windows/README.txt" >"$stage/README.txt"
chmod 644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

zip=velmora-$version-windows-x86_64.zip
# Its files under velmora-<version>/, so that unpacking it makes one folder. -X: no extra fields
# (owner, extended times); names in one fixed order.
mkdir -p "$work/zip"
ln -s "$stage" "$work/zip/velmora-$version"
(cd "$work/zip" && ls "velmora-$version/" | LC_ALL=C sort | sed "s|^|velmora-$version/|" |
    zip -X -D -q -9 "$dist/$zip" -@)

# A name-based GUID (RFC 4122 version 5 layout) from text: the same text, the same GUID.
guid() {
    local h
    h=$(printf '%s' "$1" | sha1sum | tr a-f A-F)
    printf '%s-%s-5%s-%X%s-%s' "${h:0:8}" "${h:8:4}" "${h:13:3}" $(((0x${h:16:1} & 3) | 8)) \
        "${h:17:3}" "${h:20:12}"
}
msi=velmora-$version-x64.msi
mkdir -p "$work/msi"
cp "$stage/Velmora.exe" "$stage/velmora-tag.exe" "$src/src/res/images/velmora.ico" "$work/msi/"
# The cabinet keeps each file's time.
touch -d "@$SOURCE_DATE_EPOCH" "$work/msi"/*
# A new version is a new product; the package code names these exact bytes. wixl would draw the
# package code at random and stamp the summary with the clock: msibuild sets the one, and the
# clock is held at the commit's time for both.
# Windows Installer compares only the first three fields of ProductVersion (a.b.c, at most
# 255.255.65535): 1.0.0.2 would be the same version as 1.0.0.1, and neither would replace the
# other. The MSI's version packs the fourth field into the third, a.b.(1000c + d), which orders
# every release as the project's version does.
IFS=. read -r major minor patch tweak <<<"$version"
msi_version=$major.${minor:-0}.$((10#${patch:-0} * 1000 + 10#${tweak:-0}))
if [ "$major" -gt 255 ] || [ "${minor:-0}" -gt 255 ] || [ "${patch:-0}" -gt 65 ] || [ "${tweak:-0}" -gt 999 ]; then
    echo "package.sh: $version does not fit a Windows Installer version (at most 255.255.65.999)" >&2
    exit 1
fi
product_code=$(guid "velmora product $version")
package_code=$(guid "velmora package $version $(cat "$work/msi"/* "$src/packaging/windows/velmora.wxs" | sha256sum)")
clock=$(date -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')
# wixl knows no RemoveFile element: msibuild adds the row that removes port_info.txt, which
# Velmora writes into its folder, on uninstall. An upgrade uninstalls the older version too
# (RemoveExistingProducts), and the operator's saved port must survive that, so the older version
# goes only once the newer one's files are in place (InstallExecute runs what is scheduled so
# far): the components, whose GUIDs never change, are then the newer product's as well, and
# removing the older product removes none of their files and runs none of their RemoveFile rows.
# It goes before the newer product registers itself, since Wine's uninstall drops the UpgradeCode's
# whole registration, which the newer product then writes anew. Windows also names the newer
# product in UPGRADINGPRODUCTCODE during that uninstall (Wine does not): the row's folder is the
# property PORTINFODIR, which only an uninstall of its own sets, and a row whose folder property
# is empty removes nothing.
make_msi() (
    cd "$work/msi" &&
        faketime -f "$clock" wixl -a x64 -D Version="$msi_version" -D Release="$version" \
            -D ProductCode="$product_code" -D BinDir=. -D IconFile=velmora.ico \
            -o "$dist/$msi" "$src/packaging/windows/velmora.wxs" &&
        faketime -f "$clock" msibuild "$dist/$msi" \
            -q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode)
                VALUES ('PortInfo', 'Velmora', 'port_info.txt', 'PORTINFODIR', 2)" \
            -q "INSERT INTO CustomAction (Action, Type, Source, Target)
                VALUES ('SetPortInfoDir', 51, 'PORTINFODIR', '[INSTALLDIR]')" \
            -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence)
                VALUES ('SetPortInfoDir', 'NOT UPGRADINGPRODUCTCODE', 1010)" \
            -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence)
                VALUES ('InstallExecute', '', 6050)" \
            -q "UPDATE InstallExecuteSequence SET Sequence = 6060
                WHERE Action = 'RemoveExistingProducts'" \
            -s Velmora Brelix "x64;1033" "{$package_code}"
)
step msi make_msi

(cd "$dist" && sha256sum "$deb" "$dbgsym" "$zip" "$msi" >SHA256SUMS)
echo "$commit" >"$work/commit"
echo "Built $version (commit ${commit:0:12}) into $dist:"
cat "$dist/SHA256SUMS"
