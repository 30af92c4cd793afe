#!/usr/bin/env bash
# The .deb where it will run: installed with apt into a clean Debian 12 root that has none of the
# build's packages (so its computed dependencies must be complete), from the mirror this machine's
# apt uses, without recommended packages. There: each program's --version and --help (velmora-tag's
# against the installed README's usage), velmora-tag reading and writing through the installed
# simulated reader, the window started by its desktop entry's command (in the state folder, on
# Qt's offscreen platform) ending cleanly on SIGTERM, and a purge that leaves none of the
# package's files. Given a later release's .deb
# (tests/package/raised-release.sh), that is then installed over the first as an upgrade: the
# programs say the later version, and no file of the first that the later does not ship stays
# behind; the purge then follows.
#   tests/package/deb-clean-root.sh dist/velmora_VERSION_amd64.deb [LATER.deb]    (as root)
set -euo pipefail
deb=$(realpath "$1")
later=""
[ $# -lt 2 ] || later=$(realpath "$2")
cd "$(dirname "$0")/../.."

scripts/deps.sh clean-root
version=$(dpkg-deb -f "$deb" Version)
sources=/etc/apt/sources.list.d/debian.sources
[ -f "$sources" ] || sources=/etc/apt/sources.list

root=$PWD/build/clean-root
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    for mount in dev/pts proc; do
        if mountpoint -q "$root/$mount"; then umount "$root/$mount"; fi
    done
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT
cleanup

started=$SECONDS
mmdebstrap --quiet --variant=apt --mode=root bookworm "$root" "$sources"
mount -t proc proc "$root/proc"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
echo "deb-clean-root: clean Debian 12 root in $((SECONDS - started)) s"

# A command in the root, with a plain environment.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
failures=0
fail() {
    echo "deb-clean-root: $*" >&2
    failures=$((failures + 1))
}

started=$SECONDS
cp "$deb" "$root/tmp/"
in_root apt-get -qq update
in_root apt-get -qq install -y --no-install-recommends "/tmp/$(basename "$deb")" >/dev/null
echo "deb-clean-root: installed with its dependencies in $((SECONDS - started)) s"
in_root dpkg -L velmora >"$root/tmp/files"

# The icon at every size that menus and panels draw.
for size in 16 22 24 32 48 256; do
    grep -qxF "/usr/share/icons/hicolor/${size}x${size}/apps/velmora.png" "$root/tmp/files" ||
        fail "no ${size}x${size} icon installed"
done

# Every program says VERSION.
versions_are() {
    local program said
    for program in velmora velmora-tag velmora-simreader; do
        said=$(in_root "$program" --version 2>&1)
        [ "$said" = "$program $1" ] || fail "$program --version said '$said', not '$program $1'"
    done
}
versions_are "$version"
# Every program answers --help with how it is called, the window without a display.
for program in velmora velmora-tag velmora-simreader; do
    said=$(in_root "$program" --help 2>&1) || fail "$program --help ended with $?: $said"
    [[ "$said" == "usage: $program "* ]] || fail "$program --help said: $said"
done
# --help gives the usage that the README shows.
readme_usage=$(zcat "$root/usr/share/doc/velmora/README.md.gz" | sed -n 's/^    \(velmora-tag .*\)$/\1/p')
help_usage=$(in_root velmora-tag --help | sed -n 's/^\(usage: \|       \)\(velmora-tag .*\)$/\2/p')
if [ -z "$readme_usage" ] || [ "$readme_usage" != "$help_usage" ]; then
    fail "velmora-tag --help differs from the README's usage:"
    diff <(echo "$readme_usage") <(echo "$help_usage") >&2 || true
fi

# Waits up to ten seconds for the command to succeed.
wait_for() {
    for _ in $(seq 200); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

# The installed simulated reader on COM3, in a session of its own, and velmora-tag against it.
log=$root/tmp/reader.log
setsid chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/bin:/bin \
    velmora-simreader --port COM3 --homepage packaged.example --table-info T1 >"$log" 2>&1 \
    </dev/null &
pids+=($!)
if wait_for grep -q '^Simulated tag reader serving COM3 ' "$log"; then
    said=$(in_root velmora-tag --port COM3 read 2>&1) || true
    grep -qF "homepage: packaged.example" <<<"$said" || fail "velmora-tag read said: $said"
    said=$(in_root velmora-tag --port COM3 write --homepage http://installed.example --verify 2>&1) ||
        fail "velmora-tag write --verify failed: $said"
    said=$(in_root velmora-tag --port COM3 read 2>&1) || true
    grep -qF "homepage: installed.example" <<<"$said" || fail "the read-back said: $said"
    kill -TERM "${pids[0]}"
    status=0
    wait "${pids[0]}" || status=$?
    pids=()
    [ "$status" -eq 0 ] || fail "velmora-simreader ended with $status on SIGTERM"
    [ ! -e "$root/root/.config/velmora/ports/COM3" ] && [ ! -L "$root/root/.config/velmora/ports/COM3" ] ||
        fail "velmora-simreader left its COM3 link behind"
else
    fail "velmora-simreader did not start: $(cat "$log")"
fi

# The arguments of a desktop entry's Exec line, one a line, as a launcher reads them: the value's
# own escapes first (\\ is \), then Exec's quoting, where inside double quotes a backslash takes
# the next character as it is.
exec_arguments() {
    local value=$1 unescaped="" out="" c quoted=0 escaped=0 i
    for ((i = 0; i < ${#value}; i++)); do
        c=${value:i:1}
        if [ "$c" = '\' ] && [ "${value:i+1:1}" = '\' ]; then
            i=$((i + 1))
        fi
        unescaped+=$c
    done
    for ((i = 0; i < ${#unescaped}; i++)); do
        c=${unescaped:i:1}
        if [ "$escaped" = 1 ]; then
            out+=$c
            escaped=0
        elif [ "$quoted" = 1 ] && [ "$c" = '\' ]; then
            escaped=1
        elif [ "$c" = '"' ]; then
            quoted=$((1 - quoted))
        elif [ "$c" = ' ' ] && [ "$quoted" = 0 ]; then
            [ -z "$out" ] || printf '%s\n' "$out"
            out=""
        else
            out+=$c
        fi
    done
    [ -z "$out" ] || printf '%s\n' "$out"
}

# The window as the desktop menu starts it, on the offscreen platform: in the state folder, made
# since it is missing in a fresh home; SIGTERM once the program catches it (SigCgt's bit 15).
mapfile -t launch < <(exec_arguments "$(sed -n 's/^Exec=//p' "$root/usr/share/applications/velmora.desktop")")
state=$root/root/.local/state/velmora
[ ! -e "$state" ] || fail "the fresh root already has $state"
log=$root/tmp/window.log
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "${launch[@]}" \
    >"$log" 2>&1 </dev/null &
window=$!
pids+=("$window")
ready() {
    local caught
    caught=$(sed -n 's/^SigCgt:\t*//p' "/proc/$window/status" 2>/dev/null) &&
        grep -q libqoffscreen "/proc/$window/maps" && (((0x${caught:-0} >> 14) & 1))
}
if wait_for ready; then
    [ "$(readlink "/proc/$window/cwd")" = "$state" ] ||
        fail "the desktop entry started velmora in $(readlink "/proc/$window/cwd"), not $state"
    kill -TERM "$window"
    status=0
    wait "$window" || status=$?
    pids=()
    [ "$status" -eq 0 ] || fail "velmora ended with $status on SIGTERM: $(cat "$log")"
else
    fail "velmora did not come up on the offscreen platform: $(cat "$log")"
fi

if [ -n "$later" ]; then
    later_version=$(dpkg-deb -f "$later" Version)
    started=$SECONDS
    cp "$later" "$root/tmp/"
    in_root apt-get -qq install -y --no-install-recommends "/tmp/$(basename "$later")" >/dev/null
    echo "deb-clean-root: upgraded $version -> $later_version in $((SECONDS - started)) s"
    [ "$(in_root dpkg-query -W -f='${Version}' velmora)" = "$later_version" ] ||
        fail "dpkg holds velmora $(in_root dpkg-query -W -f='${Version}' velmora) after the upgrade"
    versions_are "$later_version"
    in_root dpkg -L velmora >"$root/tmp/later-files"
    while read -r path; do
        if [ -L "$root$path" ] || [ -f "$root$path" ]; then
            fail "the upgrade left $version's $path, which $later_version does not ship"
        fi
    done < <(LC_ALL=C comm -23 <(LC_ALL=C sort "$root/tmp/files") <(LC_ALL=C sort "$root/tmp/later-files"))
    cat "$root/tmp/later-files" >>"$root/tmp/files"
fi

# Purged, the package leaves nothing of its own: what remains of its paths are folders that
# other packages still fill.
in_root apt-get -qq purge -y velmora >/dev/null
while read -r path; do
    if [ -L "$root$path" ] || [ -f "$root$path" ]; then
        fail "purge left $path"
    elif [ -d "$root$path" ] && [ -z "$(ls -A "$root$path")" ]; then
        fail "purge left the empty folder $path"
    fi
done <"$root/tmp/files"

if [ "$failures" -gt 0 ]; then
    echo "deb-clean-root: $failures failed" >&2
    exit 1
fi
echo "deb-clean-root: velmora $version installs, runs${later:+, upgrades to $later_version} and purges cleanly in a clean Debian 12 root"
