#!/usr/bin/env bash
# The Linux program looks like the Windows one: with the same random seed,
# the 30th frame of each module from build/linux/velthra (full screen on an
# Xvfb of 640x480) and from build/win/velthra.scr under Wine (/s on a Wine
# session of the same size) match within a small tolerance. Both draw with
# Mesa; edges differ a little in rounding, a wrong pose or seed differs a lot.
set -u
cd "$(dirname "$0")/../.."
. tests/support/x11_checks.sh
work=$(mktemp -d)
trap 'kill "${xvfb:-}" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export VELTHRA_SEED=20261208 VELTHRA_FRAMES=30
# Pixels whose colour differs by more than 20 %: about 0.2 to 0.6 % of the
# frame along the symbols' edges (the two C libraries round sinf and cosf a
# little differently); a wrong seed or pose moves whole symbols.
tolerance=3072  # 1 % of 640x480

# Windows: module 1 on the first start (all defaults, which it then stores),
# then modules 2 and 3 alone, chosen in the registry as the settings dialog would.
VELTHRA_BUILD_DIR=$PWD/build/win scripts/wine-session.sh --prefix "$work/prefix" --screen 640x480x24 bash -c '
  key="HKCU\\Software\\Nimbrel\\Velthra"
  for m in 1 2 3; do
    for n in 1 2 3; do
      [ "$m" = 1 ] || wine reg add "$key" /v "mod$n active" /t REG_DWORD /d $((n == m)) /f >/dev/null 2>&1
    done
    VELTHRA_PICTURE="$1/win$m.ppm" wine build/win/velthra.scr /s || echo "velthra.scr module $m: status $?"
  done' session "$work" >"$work/wine.log" 2>&1

start_xvfb "$work" -screen 0 640x480x24
export XDG_CONFIG_HOME=$work/config
for m in 1 2 3; do
  VELTHRA_PICTURE=$work/linux$m.ppm build/linux/velthra --fullscreen --modules "$m"
  off=$(compare -metric AE -fuzz 20% "$work/linux$m.ppm" "$work/win$m.ppm" null: 2>&1)
  check "module $m: Linux and Windows frames differ in ${off:-no comparable} pixels (at most $tolerance)" \
    "[ '$off' -le $tolerance ] 2>/dev/null"
done
[ "$fails" = 0 ] || cat "$work/wine.log"
exit $((fails > 0))
