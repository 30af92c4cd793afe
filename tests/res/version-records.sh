#!/usr/bin/env bash
# Both programs' version records, compiled as the Windows build compiles them and read back from
# the object: FILEVERSION, PRODUCTVERSION and the version texts are the project's version, so that
# Explorer's file properties of a release show the release.
#   tests/res/version-records.sh WINDRES GENERATED_DIR VERSION WORK_DIR
set -euo pipefail
windres=$1 generated=$2 version=$3 work=$4
res=$(cd "$(dirname "$0")/../../src/res" && pwd)

IFS=. read -r -a numbers <<<"$version"
while [ ${#numbers[@]} -lt 4 ]; do numbers+=(0); done
fields="${numbers[0]}, ${numbers[1]}, ${numbers[2]}, ${numbers[3]}"

failures=0
mkdir -p "$work"
for script in velmora.rc velmora-tag.rc; do
    object=$work/${script%.rc}-record.o
    (cd "$res" && "$windres" --preprocessor=cpp --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED \
        --include-dir="$generated" --input="$script" --output-format=coff --output="$object")
    record=$("$windres" --input="$object" --output-format=rc | sed -n '/VERSIONINFO/,$p')
    for line in "FILEVERSION $fields" "PRODUCTVERSION $fields" "VALUE \"FileVersion\", \"$version\"" \
        "VALUE \"ProductVersion\", \"$version\"" "VALUE \"ProductName\", \"Velmora $version\""; do
        if ! grep -qxF "$line" <<<"$(sed 's/^ *//' <<<"$record")"; then
            echo "version-records.sh: $script's record lacks '$line':" >&2
            echo "$record" >&2
            failures=$((failures + 1))
        fi
    done
done
[ "$failures" -eq 0 ] || exit 1
echo "version-records.sh: both records say $version"
