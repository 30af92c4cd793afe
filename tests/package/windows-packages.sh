#!/usr/bin/env bash
# The Windows packages in dist/ where they will run, under Wine in a throwaway prefix: the zip
# holds exactly its three files, in the folder velmora-VERSION, with Windows line ends in
# README.txt; the MSI installs quietly into Program Files\Velmora the same executables as the zip,
# with a Start-menu shortcut; the
# installed Velmora.exe, started in its folder as the shortcut starts it, is driven through OPEN,
# READ, WRITE and READ against the simulated reader on COM7; the installed velmora-tag.exe
# prints the version, and both carry it in their version records.
# Each later release given (a folder of packages from tests/package/raised-release.sh, oldest
# first) is then installed over the one before as an upgrade: one entry in the list of installed
# programs afterwards, of the newer version, the newer executables, and the port_info.txt that
# the window saved still there. The release before the last is then refused as a downgrade, with
# the installer's message. Uninstalling the last leaves nothing behind, port_info.txt included.
# The simulated reader, its helpers and the window's driver come from scripts/build-windows.sh.
#   tests/package/windows-packages.sh [LATER_DIST ...]
set -euo pipefail
cd "$(dirname "$0")/../.."

version=$(scripts/version.sh)
zip=$PWD/dist/velmora-$version-windows-x86_64.zip
msi=$PWD/dist/velmora-$version-x64.msi
# The versions and MSIs in the order they are installed.
versions=("$version")
msis=("$msi")
for later in "$@"; do
    later_msi=$(find "$later" -maxdepth 1 -name 'velmora-*-x64.msi' | head -n1)
    if [ -z "$later_msi" ]; then
        echo "windows-packages.sh: $later holds no MSI" >&2
        exit 2
    fi
    versions+=("$(basename "$later_msi" | sed 's/^velmora-\(.*\)-x64\.msi$/\1/')")
    msis+=("$(realpath "$later_msi")")
done
build=$PWD/build/windows
host=$build/host
driver=$build/tests/windows/running_window_tests.exe
for file in "$zip" "$msi" "$driver" "$host/tools/simreader/velmora-simreader"; do
    if [ ! -f "$file" ]; then
        echo "windows-packages.sh: $file is missing; run scripts/package.sh and scripts/build-windows.sh first" >&2
        exit 2
    fi
done
scripts/deps.sh windows

work=$PWD/build/windows-packages
prefix=$work/wineprefix
source tests/windows/virtual-display.sh
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    if [ -n "${xvfb_pid:-}" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
cleanup
mkdir -p "$work"
failures=0
fail() {
    echo "windows-packages.sh: $*" >&2
    failures=$((failures + 1))
}

# The zip: exactly three files, README.txt with a CR before every LF.
listed=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
top=velmora-$version
[ "$listed" = "$top/README.txt $top/Velmora.exe $top/velmora-tag.exe " ] || fail "the zip holds: $listed"
unzip -q "$zip" -d "$work/unzipped"
ln -s "$work/unzipped/$top" "$work/zip"
if grep -qv $'\r$' "$work/zip/README.txt"; then
    fail "README.txt has lines without a Windows line end"
fi

start_virtual_display
export WINEPREFIX=$prefix
tests/windows/wine-run.sh "$prefix"
msi_path=$(winepath -w "$msi" 2>/dev/null)
started=$SECONDS
tests/windows/wine-run.sh "$prefix" msiexec /i "$msi_path" /qn ||
    fail "msiexec /i ended with $?"
echo "windows-packages.sh: MSI installed in $((SECONDS - started)) s"

installed="$prefix/drive_c/Program Files/Velmora"
# Where Windows puts a machine's shortcuts, or (as Wine does, its msiexec running without
# elevation) the installing user's.
shortcuts() { find "$prefix/drive_c" -path '*/Start Menu/Programs/Velmora.lnk'; }
for exe in Velmora.exe velmora-tag.exe; do
    cmp -s "$installed/$exe" "$work/zip/$exe" || fail "the installed $exe is not the zip's"
done
[ -n "$(shortcuts)" ] || fail "no Start-menu shortcut to Velmora"

# The installed programs are those of VERSION: velmora-tag.exe says so, and both version records.
installed_are() {
    local version=$1 said exe
    said=$(tests/windows/wine-run.sh "$prefix" "$installed/velmora-tag.exe" --version | tr -d '\r')
    [ "$said" = "velmora-tag $version" ] || fail "velmora-tag.exe --version said '$said', not $version"
    for exe in Velmora.exe velmora-tag.exe; do
        x86_64-w64-mingw32-windres --input="$installed/$exe" --output-format=rc 2>/dev/null |
            grep -qF "VALUE \"FileVersion\", \"$version\"" ||
            fail "the installed $exe's version record is not $version"
    done
}
installed_are "$version"

tests/windows/serial-channel.sh "$host/tools/simreader/velmora-simreader" \
    "$host/tests/windows/host/libvelmora_pty_modem.so" "$host/tests/windows/host/velmora-silent-line" \
    "$host/tests/windows/host/velmora-replug-reader" "$prefix" "$PWD/tests/windows/dialog.frames" \
    "$PWD/tests/windows/running-window.sh" "$installed/Velmora.exe" "$driver" "$installed" ||
    fail "the installed Velmora.exe failed its run against the simulated reader"

# The list of installed programs: "name version" of each entry that Windows' settings show.
entries() {
    tests/windows/wine-run.sh "$prefix" reg query \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' |
        awk '$1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { print name, $3 }' |
        grep '^Velmora ' || true
}
# What an MSI calls its version, which Windows' list shows.
msi_version() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p'; }

saved=$work/port_info.txt
if [ "${#msis[@]}" -gt 1 ]; then
    cp "$installed/port_info.txt" "$saved" || fail "the window saved no port_info.txt"
fi
for ((i = 1; i < ${#msis[@]}; i++)); do
    step="${versions[i - 1]} -> ${versions[i]}"
    started=$SECONDS
    tests/windows/wine-run.sh "$prefix" msiexec /i "$(winepath -w "${msis[i]}" 2>/dev/null)" /qn ||
        fail "$step: msiexec /i ended with $?"
    echo "windows-packages.sh: upgraded $step in $((SECONDS - started)) s"
    listed=$(entries)
    [ "$listed" = "Velmora $(msi_version "${msis[i]}")" ] ||
        fail "$step: the installed programs list '$(tr '\n' ';' <<<"$listed")', not Velmora $(msi_version "${msis[i]}") alone"
    unzip -q -o "$(dirname "${msis[i]}")/velmora-${versions[i]}-windows-x86_64.zip" -d "$work/unzipped"
    for exe in Velmora.exe velmora-tag.exe; do
        cmp -s "$installed/$exe" "$work/unzipped/velmora-${versions[i]}/$exe" ||
            fail "$step: the installed $exe is not the newer one"
    done
    installed_are "${versions[i]}"
    cmp -s "$installed/port_info.txt" "$saved" || fail "$step: the upgrade lost the saved port_info.txt"
done

last=${msis[-1]}
if [ "${#msis[@]}" -gt 1 ]; then
    # The release before the last, over the last: refused, and nothing changes.
    older=${msis[-2]}
    status=0
    tests/windows/wine-run.sh "$prefix" msiexec /i "$(winepath -w "$older" 2>/dev/null)" /qn \
        /l\*v "$(winepath -w "$work/downgrade.log" 2>/dev/null)" >/dev/null || status=$?
    # 1603, the installer's "fatal error", as the low byte of Wine's exit status.
    [ "$status" -eq $((1603 & 255)) ] || fail "${versions[-2]} over ${versions[-1]} ended with $status, not 1603"
    # Refused by the launch condition that carries the message: the newer version was found.
    # (Wine's log does not repeat a launch condition's message.)
    grep -aq '^Property(S): WIX_DOWNGRADE_DETECTED = {' <(tr -d '\r' <"$work/downgrade.log") ||
        fail "the refused downgrade did not find the newer version: $(tail -n 5 "$work/downgrade.log")"
    msiinfo export "$older" LaunchCondition | tr -d '\r' |
        grep -qxF $'NOT WIX_DOWNGRADE_DETECTED\tA newer version of Velmora is already installed.' ||
        fail "the MSI's downgrade condition does not carry the installer's message"
    [ "$(entries)" = "Velmora $(msi_version "$last")" ] || fail "after the refused downgrade: $(entries)"
    installed_are "${versions[-1]}"
fi

started=$SECONDS
tests/windows/wine-run.sh "$prefix" msiexec /x "$(winepath -w "$last" 2>/dev/null)" /qn ||
    fail "msiexec /x ended with $?"
echo "windows-packages.sh: MSI removed in $((SECONDS - started)) s"
if [ -e "$installed" ]; then
    fail "uninstalling left $(find "$installed" | tr '\n' ' ')"
fi
[ -z "$(shortcuts)" ] || fail "uninstalling left the shortcut $(shortcuts)"
[ -z "$(entries)" ] || fail "uninstalling left the entry $(entries)"

if [ "$failures" -gt 0 ]; then
    echo "windows-packages.sh: $failures failed" >&2
    exit 1
fi
upgrades="${versions[*]:1}"
echo "windows-packages.sh: the zip and the MSI of $version hold, install, run, upgrade to" \
    "${upgrades:-nothing later} and uninstall cleanly"
