#!/usr/bin/env bash
# Reads the release notes, NEWS, the one file where what changed in each version is written:
#   scripts/release-notes.sh check VERSION   refuses (status 1, with the reason) unless NEWS is
#                                            well formed and its top entry is VERSION
#   scripts/release-notes.sh date VERSION    the date of VERSION's entry, YYYY-MM-DD
#   scripts/release-notes.sh debian          debian/changelog, one entry per version
#   scripts/release-notes.sh appstream       the AppStream metadata's <releases> element
# VELMORA_NEWS names another file in NEWS's place (for the tests of this script).
set -euo pipefail
news=${VELMORA_NEWS:-$(dirname "$0")/../NEWS}
mode=${1:-}

# NEWS as records "version<TAB>date<TAB>item<TAB>item…", newest first, after checking its form:
# items fit an 80-column changelog line ("  * " before them), and versions fall strictly.
entries() {
    awk -v file="$news" '
        function refuse(why) { printf "release-notes.sh: %s line %d: %s\n", file, NR, why > "/dev/stderr"; bad = 1; exit 1 }
        function flush() { if (version != "") { if (item != "") line = line "\t" item; if (line !~ /\t.*\t/) { NR = start; refuse("the entry of " version " has no item") } print line } item = "" }
        BEGIN { version = ""; intro = 1 }
        intro && /^[0-9]+(\.[0-9]+)* \([0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]\)$/ { intro = 0 }
        intro { next }
        length($0) > 76 { refuse("longer than 76 characters") }
        /^[0-9]+(\.[0-9]+)* \([0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]\)$/ {
            flush(); version = $1; start = NR; date = substr($2, 2, 10); line = version "\t" date; next
        }
        /^- ./ { if (item != "") line = line "\t" item; item = substr($0, 3); next }
        /^  [^ ]/ { if (item == "") refuse("a continued line outside an item"); item = item " " substr($0, 3); next }
        /^$/ { if (item != "") { line = line "\t" item; item = "" } next }
        { refuse("neither an entry'"'"'s line, an item nor its continuation") }
        END { if (bad) exit 1; if (version == "") { print "release-notes.sh: " file " holds no entry" > "/dev/stderr"; exit 1 } flush() }
    ' "$news"
}

all=$(entries)
versions=$(cut -f1 <<<"$all")
if [ "$versions" != "$(sort -t. -k1,1nr -k2,2nr -k3,3nr -k4,4nr -u <<<"$versions")" ] ||
    [ "$(wc -l <<<"$versions")" -ne "$(sort -u <<<"$versions" | wc -l)" ]; then
    echo "release-notes.sh: $news: the versions do not fall from the top down:" $versions >&2
    exit 1
fi

xml() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }

case "$mode" in
    check)
        top=$(head -n1 <<<"$versions")
        if [ "$top" != "${2:?version}" ]; then
            if grep -qxF "$2" <<<"$versions"; then
                echo "release-notes.sh: $2 is not the newest entry of $news ($top is)" >&2
            else
                echo "release-notes.sh: $news has no entry for $2: write what changed in it first" >&2
            fi
            exit 1
        fi
        ;;
    date)
        awk -F'\t' -v version="${2:?version}" '$1 == version { print $2; found = 1 } END { exit !found }' <<<"$all" || {
            echo "release-notes.sh: $news has no entry for $2" >&2
            exit 1
        }
        ;;
    debian)
        first=1
        while IFS=$'\t' read -r -a fields; do
            [ "$first" = 1 ] || echo
            first=0
            printf 'velmora (%s) bookworm; urgency=medium\n\n' "${fields[0]}"
            for item in "${fields[@]:2}"; do
                fold -s -w 76 <<<"$item" | sed -e 's/ *$//' -e '1s/^/  * /' -e '2,$s/^/    /'
            done
            printf '\n -- Brelix <velmora@brelix.example>  %s\n' "$(LC_ALL=C date -u -R -d "${fields[1]} 12:00")"
        done <<<"$all"
        ;;
    appstream)
        echo "<releases>"
        while IFS=$'\t' read -r -a fields; do
            printf '    <release version="%s" date="%s">\n      <description>\n        <ul>\n' "${fields[0]}" "${fields[1]}"
            for item in "${fields[@]:2}"; do
                printf '          <li>%s</li>\n' "$(xml <<<"$item")"
            done
            printf '        </ul>\n      </description>\n    </release>\n'
        done <<<"$all"
        echo "  </releases>"
        ;;
    *)
        echo "usage: scripts/release-notes.sh check VERSION | date VERSION | debian | appstream" >&2
        exit 2
        ;;
esac
