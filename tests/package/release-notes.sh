#!/usr/bin/env bash
# scripts/release-notes.sh, which makes debian/changelog and AppStream's releases from NEWS and
# lets a release through only with its entry: the project's NEWS as it is, then NEWS files that
# must be refused (each with the words of its reason), and the two outputs of a well-formed one.
#   tests/package/release-notes.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
notes=$PWD/scripts/release-notes.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "release-notes.sh test: $*" >&2
    failures=$((failures + 1))
}

scripts/release-notes.sh check "$(scripts/version.sh)" ||
    fail "the project's NEWS has no top entry for $(scripts/version.sh)"

long=$(printf 'x%.0s' $(seq 77))
# Name, NEWS text, the version asked for, and what the refusal must say.
refused=(
    "no entry for the version" $'2.0 (2027-01-02)\n- Two.\n' 2.1 "has no entry for 2.1"
    "an older version asked for" $'2.0 (2027-01-02)\n- Two.\n\n1.5 (2026-05-01)\n- One.\n' 1.5 "1.5 is not the newest"
    "versions rising" $'1.9 (2027-01-02)\n- Two.\n\n1.10 (2026-05-01)\n- One.\n' 1.9 "do not fall"
    "a version twice" $'2.0 (2027-01-02)\n- Two.\n\n2.0 (2026-05-01)\n- One.\n' 2.0 "do not fall"
    "an entry without items" $'2.0 (2027-01-02)\n\n1.0 (2026-05-01)\n- One.\n' 2.0 "has no item"
    "a line too long" $'2.0 (2027-01-02)\n- '"$long"$'\n' 2.0 "longer than 76"
    "a stray line" $'2.0 (2027-01-02)\n- Two.\nunindented\n' 2.0 "neither"
    "a date without brackets" $'2.0 (2027-01-02)\n- Two.\n\n1.0 2026-05-01\n- One.\n' 2.0 "neither"
    "no entry at all" $'Only words.\n' 1.0 "holds no entry"
)
for ((i = 0; i < ${#refused[@]}; i += 4)); do
    name=${refused[i]}
    printf '%s' "${refused[i + 1]}" >"$work/NEWS"
    if said=$(VELMORA_NEWS=$work/NEWS "$notes" check "${refused[i + 2]}" 2>&1); then
        fail "$name: let ${refused[i + 2]} through"
    elif ! grep -qF "${refused[i + 3]}" <<<"$said"; then
        fail "$name: said '$said', not '${refused[i + 3]}'"
    fi
done

# A well-formed file: an introduction, two entries, an item continued over two lines, and the
# characters that XML must escape.
cat >"$work/NEWS" <<'NEWS'
The introduction is not an entry (1.0 (2020-01-01) in its text changes nothing).

1.2.0.3 (2027-02-28)
- Ports above COM9 & the <Korean> code page.
- A second item, long enough to be
  continued on another line.

1.2.0.2 (2026-11-30)
- The first.
NEWS
export VELMORA_NEWS=$work/NEWS
"$notes" check 1.2.0.3 || fail "a well-formed NEWS was refused"
[ "$("$notes" date 1.2.0.2)" = 2026-11-30 ] || fail "the date of 1.2.0.2 is not 2026-11-30"

mkdir -p "$work/debian"
"$notes" debian >"$work/debian/changelog"
parsed=$(cd "$work" && dpkg-parsechangelog --format rfc822 --all | sed -n "s/^Version: //p" | tr '\n' ' ')
[ "$parsed" = "1.2.0.3 1.2.0.2 " ] || fail "debian/changelog holds the versions $parsed"
[ "$(cd "$work" && dpkg-parsechangelog -S Date)" = "Sun, 28 Feb 2027 12:00:00 +0000" ] ||
    fail "the top entry's date is $(cd "$work" && dpkg-parsechangelog -S Date)"
grep -qxF "  * A second item, long enough to be continued on another line." "$work/debian/changelog" ||
    fail "the continued item is not one changelog item: $(cat "$work/debian/changelog")"

releases=$("$notes" appstream)
grep -qF '<release version="1.2.0.3" date="2027-02-28">' <<<"$releases" || fail "no release 1.2.0.3: $releases"
grep -qF '<li>Ports above COM9 &amp; the &lt;Korean&gt; code page.</li>' <<<"$releases" ||
    fail "the item is not escaped for XML: $releases"
[ "$(grep -c '<release ' <<<"$releases")" -eq 2 ] || fail "not two releases: $releases"

if [ "$failures" -gt 0 ]; then
    echo "release-notes.sh test: $failures failed" >&2
    exit 1
fi
echo "release-notes.sh test: NEWS checked, $((${#refused[@]} / 4)) malformed files refused, both outputs made"
