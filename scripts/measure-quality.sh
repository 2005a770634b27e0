#!/usr/bin/env bash
# Picture quality of both programs against the ideal, as PSNR in dB: each case
# is drawn at 1024x768 with VELTHRA_SAMPLES=0 and =4 and compared (ImageMagick
# `compare -metric PSNR`) with the same frame drawn by the same program at
# 4096x3072 without samples and reduced to 1024x768 by averaging each 4x4
# block (`-scale 25%`). Frames are the 30th of a fixed seed (VELTHRA_SEED,
# VELTHRA_FRAMES, VELTHRA_PICTURE), taken from the resolved offscreen picture.
# The last column compares the two programs' plain 4096x3072 frames.
#   scripts/measure-quality.sh                 # both programs
#   QUALITY_PROGRAMS=linux scripts/measure-quality.sh
#   QUALITY_SMALL=320x240 QUALITY_CASES="3" scripts/measure-quality.sh
# Needs build/linux/velthra and build/win/velthra.scr (QUALITY_LINUX_PROGRAM and
# QUALITY_WIN_PROGRAM name others, e.g. an earlier build for the "today"
# figures); Wine runs in a session of its own (scripts/wine-session.sh) per
# screen size.
set -u
cd "$(dirname "$0")/.."
. tests/support/x11_checks.sh
programs=${QUALITY_PROGRAMS:-linux win}
small=${QUALITY_SMALL:-1024x768}
cases=${QUALITY_CASES:-1 2 3 2far}
linux_program=${QUALITY_LINUX_PROGRAM:-build/linux/velthra}
win_program=${QUALITY_WIN_PROGRAM:-build/win/velthra.scr}
sw=${small%x*} sh=${small#*x}
big=$((sw * 4))x$((sh * 4))
work=$(mktemp -d)
xvfbs=
trap 'for p in $xvfbs; do kill "$p" 2>/dev/null; done; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export VELTHRA_SEED=${VELTHRA_SEED:-20261208} VELTHRA_FRAMES=${VELTHRA_FRAMES:-30}

module_of() { echo "${1%far}"; }

# Linux: one Xvfb per size; the far globe through --view (depth 120, the rest
# module 2's defaults).
linux_frames() {  # SIZE: writes linux-SIZE-CASE-sSAMPLES.ppm
  mkdir -p "$work/$1"
  start_xvfb "$work/$1" -screen 0 "$1x24"
  xvfbs="$xvfbs $xvfb"
  local c s view
  for c in $cases; do
    view=
    [ "$c" = 2far ] && view="--view 2=120,0,0,0,0,0,0.5"
    for s in $2; do
      # shellcheck disable=SC2086
      XDG_CONFIG_HOME=$work/config VELTHRA_SAMPLES=$s VELTHRA_PICTURE=$work/linux-$1-$c-s$s.ppm \
        "$linux_program" --fullscreen --modules "$(module_of "$c")" $view ||
        echo "velthra $c at $1: status $?" >&2
    done
  done
}

# Windows: /s on a Wine session of that screen size; modules and the far
# globe's depth chosen in the registry, as the settings dialog would.
win_frames() {  # SIZE SAMPLES...
  VELTHRA_BUILD_DIR=$PWD/build/win scripts/wine-session.sh --prefix "$work/prefix-$1" --screen "$1x24" bash -c '
    size=$1 work=$2 cases=$3 samples=$4 scr=$5
    key="HKCU\\Software\\Nimbrel\\Velthra"
    VELTHRA_FRAMES=1 wine "$scr" /s  # stores the defaults
    for c in $cases; do
      m=${c%far}
      for n in 1 2 3; do
        wine reg add "$key" /v "mod$n active" /t REG_DWORD /d $((n == m)) /f >/dev/null 2>&1
      done
      depth=2280
      [ "$c" = 2far ] && depth=12000
      wine reg add "$key" /v "mod2 depth" /t REG_DWORD /d $depth /f >/dev/null 2>&1
      for s in $samples; do
        VELTHRA_SAMPLES=$s VELTHRA_PICTURE="$work/win-$size-$c-s$s.ppm" wine "$scr" /s ||
          echo "velthra.scr $c at $size: status $?" >&2
      done
    done' session "$1" "$work" "$cases" "$2" "$win_program" >>"$work/wine.log" 2>&1
}

psnr() {  # A B: dB, or "-" when a frame is missing
  if [ -s "$1" ] && [ -s "$2" ]; then
    compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{printf "%.1f", $1}'
  else
    echo -
  fi
}

for p in $programs; do
  case $p in
    linux) linux_frames "$big" 0; linux_frames "$small" "0 4" ;;
    win) win_frames "$big" 0; win_frames "$small" "0 4" ;;
  esac
  for c in $cases; do
    ref=$work/$p-$big-$c-s0.ppm
    [ -s "$ref" ] && convert "$ref" -scale 25% "$work/$p-ref-$c.ppm"
  done
done

echo "PSNR against the 4x4-averaged ${big} frame, frames of ${small} (dB; gain = samples 4 over 0)"
printf '| %-10s |' case
for p in $programs; do printf ' %s samples 0 | %s samples 4 | %s gain |' "$p" "$p" "$p"; done
[ "$programs" = "linux win" ] && printf ' win vs linux at %s |' "$big"
echo
for c in $cases; do
  printf '| %-10s |' "$c"
  for p in $programs; do
    a=$(psnr "$work/$p-$small-$c-s0.ppm" "$work/$p-ref-$c.ppm")
    b=$(psnr "$work/$p-$small-$c-s4.ppm" "$work/$p-ref-$c.ppm")
    gain=$(awk -v a="$a" -v b="$b" 'BEGIN {if (a == "-" || b == "-") print "-"; else printf "%+.1f", b - a}')
    printf ' %s | %s | %s |' "$a" "$b" "$gain"
  done
  [ "$programs" = "linux win" ] && printf ' %s |' "$(psnr "$work/win-$big-$c-s0.ppm" "$work/linux-$big-$c-s0.ppm")"
  echo
done
if grep -q status "$work/wine.log" 2>/dev/null; then grep status "$work/wine.log"; fi
