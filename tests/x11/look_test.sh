#!/usr/bin/env bash
# The Linux program looks like the Windows one: with the same random seed,
# the 30th frame of each module from build/linux/velthra (full screen on an
# Xvfb of 640x480) and from build/win/velthra.scr under Wine (/s on a Wine
# session of the same size) match within a small tolerance. Both draw with
# Mesa; edges differ a little in rounding, a wrong pose or seed differs a lot.
# At 2560x1920 module 1 of both programs agrees to 50 dB PSNR. (The frames
# come from the offscreen picture with its own 24-bit depth buffer; the
# depth of the Windows window itself is checked by render_context_test.)
# And 4 samples
# (VELTHRA_SAMPLES=4) bring module 3's 640x480 frame closer to the ideal
# (the 2560x1920 frame averaged 4x4) than none, in both programs.
set -u
cd "$(dirname "$0")/../.."
. tests/support/x11_checks.sh
work=$(mktemp -d)
xvfbs=
trap 'for p in $xvfbs; do kill "$p" 2>/dev/null; done; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export VELTHRA_SEED=20261208 VELTHRA_FRAMES=30
# Pixels whose colour differs by more than 20 %: about 0.2 to 0.6 % of the
# frame along the symbols' edges (the two C libraries round sinf and cosf a
# little differently); a wrong seed or pose moves whole symbols.
tolerance=3072  # 1 % of 640x480
big=2560x1920
min_agreement=50  # dB between the programs' plain frames at $big
min_gain=6        # dB that 4 samples add in module 3

# Windows: module 1 on the first start (all defaults, which it then stores),
# then modules 2 and 3 alone, chosen in the registry as the settings dialog
# would; module 3 also with 4 samples. The large frames in a session of
# their own.
wine_frames() {  # SCREEN MODULES EXTRA-RUN-OF-MODULE-3
  VELTHRA_BUILD_DIR=$PWD/build/win scripts/wine-session.sh --prefix "$work/prefix-$1" --screen "$1x24" bash -c '
    key="HKCU\\Software\\Nimbrel\\Velthra"
    for m in $3; do
      for n in 1 2 3; do
        [ "$m" = 1 ] || wine reg add "$key" /v "mod$n active" /t REG_DWORD /d $((n == m)) /f >/dev/null 2>&1
      done
      VELTHRA_PICTURE="$1/win$m-$2.ppm" wine build/win/velthra.scr /s || echo "velthra.scr module $m: status $?"
    done
    [ -z "$4" ] || VELTHRA_SAMPLES=4 VELTHRA_PICTURE="$1/win3-s4-$2.ppm" wine build/win/velthra.scr /s ||
      echo "velthra.scr module 3, 4 samples: status $?"' session "$work" "$1" "$2" "$3" >>"$work/wine.log" 2>&1
}
wine_frames 640x480 "1 2 3" s4 &
wine=$!
wine_frames $big "1 3" ""

linux_frames() {  # SCREEN MODULES EXTRA-RUN-OF-MODULE-3
  mkdir -p "$work/$1"
  start_xvfb "$work/$1" -screen 0 "$1x24"
  xvfbs="$xvfbs $xvfb"
  export XDG_CONFIG_HOME=$work/config
  for m in $2; do
    VELTHRA_PICTURE=$work/linux$m-$1.ppm build/linux/velthra --fullscreen --modules "$m"
  done
  [ -z "$3" ] || VELTHRA_SAMPLES=4 VELTHRA_PICTURE=$work/linux3-s4-$1.ppm build/linux/velthra --fullscreen --modules 3
}
linux_frames 640x480 "1 2 3" s4
linux_frames $big "1 3" ""
wait "$wine"

for m in 1 2 3; do
  off=$(compare -metric AE -fuzz 20% "$work/linux$m-640x480.ppm" "$work/win$m-640x480.ppm" null: 2>&1)
  check "module $m: Linux and Windows frames differ in ${off:-no comparable} pixels (at most $tolerance)" \
    "[ '$off' -le $tolerance ] 2>/dev/null"
done
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{printf "%.1f", $1}'; }
agree=$(psnr "$work/linux1-$big.ppm" "$work/win1-$big.ppm")
check "module 1 at $big: Linux and Windows frames ${agree:-?} dB apart (at least $min_agreement)" \
  "awk 'BEGIN {exit !(\"$agree\" + 0 >= $min_agreement)}'"
for p in linux win; do
  convert "$work/${p}3-$big.ppm" -scale 25% "$work/${p}3-ideal.ppm" 2>/dev/null
  none=$(psnr "$work/${p}3-640x480.ppm" "$work/${p}3-ideal.ppm")
  four=$(psnr "$work/${p}3-s4-640x480.ppm" "$work/${p}3-ideal.ppm")
  check "module 3 ($p): ${none:-?} dB without samples, ${four:-?} dB with 4 (at least $min_gain dB more)" \
    "awk 'BEGIN {exit !(\"$four\" - \"$none\" >= $min_gain && \"$none\" + 0 > 0)}'"
done
[ "$fails" = 0 ] || cat "$work/wine.log"
exit $((fails > 0))
