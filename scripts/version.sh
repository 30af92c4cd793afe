#!/usr/bin/env bash
# Prints the project's version: CMake's project(VERSION), the one place it is written.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
    echo "version.sh: no version in CMakeLists.txt's project()" >&2
    exit 1
fi
echo "$version"
