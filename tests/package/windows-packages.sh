#!/usr/bin/env bash
# The Windows packages in dist/ where they will run, under Wine in a throwaway prefix: the zip
# holds exactly its three files, with Windows line ends in README.txt; the MSI installs quietly
# into Program Files\Velmora the same executables as the zip, with a Start-menu shortcut; the
# installed Velmora.exe, started in its folder as the shortcut starts it, is driven through OPEN,
# READ, WRITE and READ against the simulated reader on COM7; the installed velmora-tag.exe
# prints the version; and uninstalling leaves nothing behind, port_info.txt included.
# The simulated reader, its helpers and the window's driver come from scripts/build-windows.sh.
#   tests/package/windows-packages.sh
set -euo pipefail
cd "$(dirname "$0")/../.."

version=$(scripts/version.sh)
zip=$PWD/dist/velmora-$version-windows-x86_64.zip
msi=$PWD/dist/velmora-$version-x64.msi
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
[ "$listed" = "README.txt Velmora.exe velmora-tag.exe " ] || fail "the zip holds: $listed"
unzip -q "$zip" -d "$work/zip"
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

said=$(tests/windows/wine-run.sh "$prefix" "$installed/velmora-tag.exe" --version | tr -d '\r')
[ "$said" = "velmora-tag $version" ] || fail "velmora-tag.exe --version said '$said'"

tests/windows/serial-channel.sh "$host/tools/simreader/velmora-simreader" \
    "$host/tests/windows/host/libvelmora_pty_modem.so" "$host/tests/windows/host/velmora-silent-line" \
    "$host/tests/windows/host/velmora-replug-reader" "$prefix" "$PWD/tests/windows/dialog.frames" \
    "$PWD/tests/windows/running-window.sh" "$installed/Velmora.exe" "$driver" "$installed" ||
    fail "the installed Velmora.exe failed its run against the simulated reader"

started=$SECONDS
tests/windows/wine-run.sh "$prefix" msiexec /x "$msi_path" /qn ||
    fail "msiexec /x ended with $?"
echo "windows-packages.sh: MSI removed in $((SECONDS - started)) s"
if [ -e "$installed" ]; then
    fail "uninstalling left $(find "$installed" | tr '\n' ' ')"
fi
[ -z "$(shortcuts)" ] || fail "uninstalling left the shortcut $(shortcuts)"

if [ "$failures" -gt 0 ]; then
    echo "windows-packages.sh: $failures failed" >&2
    exit 1
fi
echo "windows-packages.sh: the zip and the MSI of $version hold, install, run and uninstall cleanly"
