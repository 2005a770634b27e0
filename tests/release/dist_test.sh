#!/usr/bin/env bash
# `make dist` twice gives the same bytes (archive and installer), and the
# archive holds what a user needs: velthra.scr, README.txt and SHA256SUMS that
# match them, in sorted order, with the commit's time and rw-r--r-- on every
# entry. Between the two runs the inputs get other modification times and the
# shell another umask and time zone, so that none can leak into the output
# (the winget manifests included, which tests/release/winget_test.py checks);
# and a signed run (a throwaway self-signed certificate) comes between them,
# whose signatures osslsigncode accepts and which leaves no trace in the next
# unsigned run.
set -u
cd "$(dirname "$0")/../.."
fail() { echo "dist_test: $*" >&2; exit 1; }

version=$(sed -nE 's/^project\(velthra VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"
zip=build/dist/velthra-$version-win64.zip
msi=build/dist/velthra-$version-x64.msi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(umask 022 && make -s dist >"$work/dist.log" 2>&1) || { cat "$work/dist.log"; fail "make dist failed"; }
cp "$zip" "$work/first.zip" && cp "$msi" "$work/first.msi" && cp -r build/dist/winget "$work/first-winget"
grep -q 'no WINGET_URL given' "$work/dist.log" || fail "make dist did not say that the winget URL is missing"
python3 tests/release/winget_test.py build/dist "$msi" || fail "winget manifests (no URL)"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Velthra test signer" -addext extendedKeyUsage=codeSigning 2>/dev/null &&
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.pfx" -passout pass:t0p \
  || fail "cannot make a certificate"
url="https://downloads.example.com/velthra/$version/velthra-$version-x64.msi"
make -s dist SIGN_PFX="$work/signer.pfx" SIGN_PASSWORD=t0p WINGET_URL="$url" >/dev/null || fail "signed make dist failed"
python3 tests/release/winget_test.py build/dist "$msi" "$url" || fail "winget manifests (signed, with a URL)"
unzip -p "$zip" velthra.scr >"$work/zip.scr" && msiextract -C "$work/msi" "$msi" >/dev/null || fail "cannot unpack"
for signed in "$work/zip.scr" "$work/msi/velthra.scr" "$msi"; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; fail "no valid signature on $signed"; }
done
echo "signed: velthra.scr in both, and the installer"

touch -d '2001-02-03 04:05:06' build/win/velthra.scr resources/release-readme.txt resources/velthra.wxs
(umask 077 && TZ=Asia/Tokyo make -s dist >/dev/null) || fail "second make dist failed"
touch resources/release-readme.txt resources/velthra.wxs
cmp "$work/first.zip" "$zip" || fail "two runs of make dist differ (archive)"
cmp "$work/first.msi" "$msi" || fail "two runs of make dist differ (installer)"
diff -r "$work/first-winget" build/dist/winget || fail "two runs of make dist differ (winget manifests)"
echo "sha256 of both: $(sha256sum <"$zip" | cut -d' ' -f1), installer $(sha256sum <"$msi" | cut -d' ' -f1)"
printf '%s\n' "velthra-$version-win64.zip" "velthra-$version-x64.msi" | diff - <(awk '{print $2}' build/dist/SHA256SUMS) &&
  (cd build/dist && sha256sum -c --quiet SHA256SUMS) || fail "build/dist/SHA256SUMS does not list and match both"

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
