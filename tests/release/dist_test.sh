#!/usr/bin/env bash
# `make dist` twice gives the same bytes, and the archive holds what a user
# needs: velthra.scr, README.txt and SHA256SUMS that match them, in sorted
# order, with the commit's time and rw-r--r-- on every entry. Between the two
# runs the inputs get other modification times and the shell another umask,
# so that neither can leak into the archive.
set -u
cd "$(dirname "$0")/../.."
fail() { echo "dist_test: $*" >&2; exit 1; }

version=$(sed -nE 's/^project\(velthra VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"
zip=build/dist/velthra-$version-win64.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(umask 022 && make -s dist >/dev/null) || fail "make dist failed"
cp "$zip" "$work/first.zip"
touch -d '2001-02-03 04:05:06' build/win/velthra.scr resources/release-readme.txt
(umask 077 && make -s dist >/dev/null) || fail "second make dist failed"
touch resources/release-readme.txt
cmp "$work/first.zip" "$zip" || fail "two runs of make dist differ"
echo "sha256 of both: $(sha256sum <"$zip" | cut -d' ' -f1)"

unzip -Z1 "$zip" >"$work/names"
printf 'README.txt\nSHA256SUMS\nvelthra.scr\n' | diff - "$work/names" || fail "unexpected entries"
mkdir "$work/x" && (cd "$work/x" && unzip -q "$work/first.zip") || fail "cannot unpack"
(cd "$work/x" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
cmp "$work/x/velthra.scr" build/win/velthra.scr || fail "velthra.scr in the archive is not the built one"
grep -q "Velthra $version" "$work/x/README.txt" || fail "README.txt does not name the version"

# Every entry: the commit's time (zip keeps local time to 2 s) and rw-r--r--.
when=$(TZ=UTC date -d "@$(git log -1 --format=%ct)" '+%Y%m%d.%H%M')
unzip -Z -T "$zip" | awk -v when="$when" '
  /^-/ { n++; if ($1 != "-rw-r--r--") bad = bad " mode:" $8; if (substr($7, 1, 13) != when) bad = bad " time:" $8 "(" $7 ")" }
  END { if (bad != "" || n != 3) { print "entries wrong:" bad; exit 1 } }' || fail "entry modes or times wrong"
echo "dist_test: ok ($zip)"
