#!/usr/bin/env bash
# `make deb`, then the package: lintian, its version and files, stripped
# binaries, dpkg -i, the real xscreensaver daemon showing it (as a user of
# its own: the daemon refuses to launch display modes as root), dpkg -r.
# Needs root (dpkg, useradd); run by scripts/test.sh.
set -u
cd "$(dirname "$0")/../.."
. tests/support/x11_checks.sh
user=velthra-test
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  [ -n "${daemon:-}" ] && runuser -u "$user" -- env DISPLAY="$DISPLAY" xscreensaver-command -exit >/dev/null 2>&1
  kill "${xvfb:-}" 2>/dev/null
  dpkg -s velthra >/dev/null 2>&1 && dpkg_locked -r velthra >/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
dpkg_locked() {  # dpkg, waiting while apt or dpkg of another run holds the lock
  local n=120
  until dpkg "$@" >/dev/null 2>"$work/dpkg.err"; do
    grep -q "lock" "$work/dpkg.err" && [ $((n -= 1)) -gt 0 ] || { cat "$work/dpkg.err"; return 1; }
    sleep 1
  done
}

version=$(sed -nE 's/^project\(velthra VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
deb=build/dist/velthra_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
make -s deb >/dev/null || { echo "FAIL make deb"; exit 1; }
check "lintian reports no errors" "lintian --fail-on error $deb 2>/dev/null | grep -v '^W:'; [ \${PIPESTATUS[0]} = 0 ]"
check "the package version is the CMake version $version" "[ \"\$(dpkg-deb -f $deb Version)\" = $version ]"
check "built for dpkg's architecture, depending on libX11 and libXrandr" \
  "[ \"\$(dpkg-deb -f $deb Architecture)\" = \$(dpkg --print-architecture) ] && dpkg-deb -f $deb Depends | grep -q libx11-6 && dpkg-deb -f $deb Depends | grep -q libxrandr2"
check "a program without library dependencies (static ldconfig) makes no package" \
  "! scripts/make-deb.sh --version 0.0.1 --binary /sbin/ldconfig --xml build/linux/velthra.xml --out $work/static 2>$work/static.err && grep -q 'no dependencies' $work/static.err && [ ! -e $work/static ]"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/files"
for f in usr/bin/velthra usr/libexec/xscreensaver/velthra usr/share/xscreensaver/config/velthra.xml \
  usr/share/man/man6/velthra.6.gz usr/share/doc/velthra/copyright; do
  check "holds /$f" "grep -qx '$f' $work/files"
done

check "dpkg -i installs it" "dpkg_locked -i $deb"
check "the binaries are stripped" "! readelf -S /usr/bin/velthra | grep -q '\.symtab'"
check "/usr/libexec/xscreensaver/velthra is the program" "cmp /usr/bin/velthra /usr/libexec/xscreensaver/velthra"
check "the copyright file credits the pictures" "grep -q 'NASA Visible Earth, Blue Marble' /usr/share/doc/velthra/copyright"
check "man finds velthra(6)" "man -w 6 velthra >/dev/null"

echo "== the xscreensaver daemon, as $user"
id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
printf 'timeout: 0:30:00\nlock: False\nfade: False\nunfade: False\nsplash: False\nmode: one\nselected: 0\nprograms: GL: velthra --root --modules 3\n' \
  >"$home/.xscreensaver"
chown "$user" "$home/.xscreensaver"
start_xvfb "$work" -screen 0 640x480x24 -ac
as_user() { runuser -u "$user" -- env HOME="$home" DISPLAY="$DISPLAY" "$@"; }
as_user xscreensaver -no-splash >"$work/daemon.log" 2>&1 &
daemon=$!
check "the daemon runs" "wait_for 'as_user xscreensaver-command -time >/dev/null 2>&1' 20"
as_user xscreensaver-command -activate >/dev/null
check "-activate starts velthra as $user" "wait_for 'pgrep -u $user -x velthra >/dev/null' 20"
check "and its sky is on the screen" "wait_for 'is_sky root 320 20' 20"
as_user xscreensaver-command -deactivate >/dev/null
check "-deactivate ends velthra" "wait_for '! pgrep -u $user -x velthra >/dev/null' 20"
check "and the sky is gone" "wait_for '! is_sky root 320 20'"
[ "$fails" = 0 ] || cat "$work/daemon.log"

check "dpkg -r removes it" "dpkg_locked -r velthra"
check "and all its files" "! ls /usr/bin/velthra /usr/libexec/xscreensaver/velthra /usr/share/xscreensaver/config/velthra.xml /usr/share/doc/velthra 2>/dev/null"
exit $((fails > 0))
