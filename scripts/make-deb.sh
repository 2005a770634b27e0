#!/usr/bin/env bash
# `make deb`: the Debian package of the Linux program, from the build/linux tree.
#   make-deb.sh --version V --binary PATH --xml PATH --out DIR
set -eu
cd "$(dirname "$0")/.."
while [ $# -gt 0 ]; do
  case "$1" in
    --version) version=$2 ;;
    --binary) binary=$2 ;;
    --xml) xml=$2 ;;
    --out) out=$2 ;;
    *) echo "make-deb: unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
umask 022
doc=$root/usr/share/doc/velthra
install -d "$root/DEBIAN" "$root/usr/bin" "$root/usr/libexec/xscreensaver" "$doc" \
  "$root/usr/share/xscreensaver/config" "$root/usr/share/man/man6"
install -m 0755 -s "$binary" "$root/usr/bin/velthra"
# xscreensaver looks for its display modes here; it is the same program.
ln -s ../../bin/velthra "$root/usr/libexec/xscreensaver/velthra"
install -m 0644 "$xml" "$root/usr/share/xscreensaver/config/velthra.xml"
sed "s/@VERSION@/$version/" x11/package/velthra.6 | gzip -9n >"$root/usr/share/man/man6/velthra.6.gz"
install -m 0644 x11/package/copyright "$doc/copyright"
# The date of the last commit, so that the same commit gives the same package.
date=$(git log -1 --format=%cD 2>/dev/null || date -R)
export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
printf 'velthra (%s) unstable; urgency=medium\n\n  * Release %s.\n\n -- Nimbrel <velthra@nimbrel.invalid>  %s\n' \
  "$version" "$version" "$date" | gzip -9n >"$doc/changelog.gz"
chmod 0644 "$root/usr/share/man/man6/velthra.6.gz" "$doc/changelog.gz"

# The architecture of the machine that built the program; library
# dependencies as dpkg-shlibdeps finds them, and no package without them.
arch=$(dpkg --print-architecture)
mkdir -p "$stage/debian"
printf 'Source: velthra\n\nPackage: velthra\nArchitecture: %s\n' "$arch" >"$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O -e"$root/usr/bin/velthra" 2>"$stage/shlibdeps.err" |
  sed -n 's/^shlibs:Depends=//p')
if [ -z "$depends" ]; then
  cat "$stage/shlibdeps.err" >&2
  echo "make-deb: dpkg-shlibdeps found no dependencies of $binary" >&2
  exit 1
fi
size=$(du -k -s --exclude=DEBIAN "$root" | cut -f1)
cat >"$root/DEBIAN/control" <<CONTROL
Package: velthra
Version: $version
Architecture: $arch
Maintainer: Nimbrel <velthra@nimbrel.invalid>
Installed-Size: $size
Depends: $depends
Suggests: xscreensaver
Section: x11
Priority: optional
Description: 3-D symbols in three animated scenes, for xscreensaver
 Velthra draws a symbol of three rings with OpenGL in three scenes: symbols
 drifting in a box, an earth globe circled by symbols, and a turning ring of
 symbols before a cloudy sky. It runs as an xscreensaver display mode
 ("GL: velthra --root") or in a window of its own, steered with the keys.
CONTROL
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mkdir -p "$out"
deb=$out/velthra_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
