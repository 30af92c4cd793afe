#!/usr/bin/env bash
# Installs the Debian packages the build needs, and only those that are missing.
# Usage: scripts/deps.sh run|test|fuzz|memcheck|shot|soak|windows|package|clean-root ...
set -euo pipefail

build_pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libasound2-dev fonts-dejavu-core)
# Qt's Wayland platform plugin, so that the window also opens in a Wayland-only session.
run_pkgs=(qt6-wayland)
# The cross binutils only compile the Windows resource script, to prove it stays valid.
test_pkgs=(libgtest-dev binutils-mingw-w64-x86-64)
fuzz_pkgs=(clang libclang-rt-14-dev)
memcheck_pkgs=(valgrind)
shot_pkgs=(xvfb xauth imagemagick x11-utils)
# The soak benchmark with the accessibility bridge (a virtual X server, a session bus and the
# accessibility bus it starts) and its heap profile.
soak_pkgs=(xvfb xauth dbus-daemon dbus-bin at-spi2-core heaptrack)
# The Windows build: the posix-threads flavour of the cross compilers (see
# cmake/mingw-w64-x86_64.cmake), GoogleTest's source to cross-build it, and Wine to run the tests.
cross_pkgs=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
            mingw-w64-tools)
windows_pkgs=("${cross_pkgs[@]}" googletest wine wine64 xvfb xauth)
# The release (scripts/package.sh): Debian's packaging tools and lintian, AppStream's and the
# desktop entry's validators, zip, and wixl for the MSI, with msibuild (msitools) for what wixl
# cannot say and faketime to hold wixl's clock at the commit's time.
package_pkgs=("${cross_pkgs[@]}" debhelper lintian appstream desktop-file-utils zip wixl msitools
              faketime)
# A clean Debian root to install the package into.
clean_root_pkgs=(mmdebstrap)

want=("${build_pkgs[@]}")
for set in "$@"; do
    case "$set" in
        run) want+=("${run_pkgs[@]}") ;;
        test) want+=("${test_pkgs[@]}") ;;
        fuzz) want+=("${test_pkgs[@]}" "${fuzz_pkgs[@]}") ;;
        memcheck) want+=("${test_pkgs[@]}" "${memcheck_pkgs[@]}") ;;
        shot) want+=("${shot_pkgs[@]}") ;;
        soak) want+=("${soak_pkgs[@]}") ;;
        windows) want+=("${windows_pkgs[@]}") ;;
        package) want+=("${package_pkgs[@]}") ;;
        clean-root) want+=("${clean_root_pkgs[@]}") ;;
        *) echo "deps.sh: unknown package set '$set'" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
