#!/usr/bin/env bash
# Frames per second, the interval between frames (median and 95th percentile,
# from Wine's time-stamped trace of every SwapBuffers, per device context) and
# CPU time per second of the full-screen saver on the session's screen,
# measured from outside. Run inside scripts/wine-session.sh, e.g.
#   scripts/wine-session.sh --screen 1920x1080x24 scripts/measure-fps.sh [seconds] [shot.png]
# Two monitors of the same total size, with the "all monitors" option on
# (Wine's trace counts every SwapBuffers, so with it on it reports one swap per
# monitor and frame):
#   ALL_MONITORS=1 scripts/wine-session.sh --monitors 960x1080+0+0,960x1080+960+0 \
#     scripts/measure-fps.sh
set -u
seconds=${1:-10}
shot=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
scr="${VELTHRA_BUILD_DIR:-$root/build/win}/velthra.scr"
log=$(mktemp)
wine reg delete 'HKCU\Software\Nimbrel\Velthra' /f >/dev/null 2>&1
if [ -n "${ALL_MONITORS:-}" ]; then
  wine reg add 'HKCU\Software\Nimbrel\Velthra' /v 'all monitors' /t REG_DWORD /d "$ALL_MONITORS" /f >/dev/null 2>&1
fi
WINEDEBUG=+fps,+timestamp,+wgl wine "$scr" /s 2>"$log" &
sleep 4
# The saver of this session: the Wine process running velthra.scr with this prefix.
pid=
for p in $(pgrep -f 'velthra.scr'); do
  if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then pid=$p; fi
done
[ -n "$pid" ] || { echo "measure-fps: saver not found" >&2; exit 1; }
xvfb=$(pgrep -f "Xvfb $DISPLAY " | head -1)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
c0=$(ticks "$pid"); x0=$(ticks "$xvfb"); n0=$(grep -c approx "$log")
s0=$(wc -l <"$log")
sleep "$seconds"
c1=$(ticks "$pid"); x1=$(ticks "$xvfb"); n1=$(grep -c approx "$log")
s1=$(wc -l <"$log")
[ -n "$shot" ] && import -window root "$shot"
echo "screen $(xdpyinfo | awk '/dimensions/{print $2}')"
grep approx "$log" | tail -n +$((n0 + 1)) | head -n $((n1 - n0)) | \
  sed -n 's/.*approx \([0-9.]*\)fps.*/\1/p' | \
  awk '{s += $1; n++} END {if (n) printf "fps %.2f (mean of %d samples, one per 1.5 s)\n", s / n, n}'
# Intervals between successive swaps on the same device context.
sed -n "$((s0 + 1)),${s1}p" "$log" | \
  sed -n 's/^\([0-9.]*\):.*glxdrv_wglSwapBuffers (\(0x[0-9a-f]*\)).*/\2 \1/p' | \
  awk '{if ($1 in last) print $1, ($2 - last[$1]) * 1000; last[$1] = $2}' | sort -k1,1 -k2,2n | \
  awk '{v[$1, ++n[$1]] = $2}
       END {for (dc in n) printf "interval %s: median %.1f ms, 95th percentile %.1f ms (%d intervals)\n",
            dc, v[dc, int((n[dc] + 1) / 2)], v[dc, int(n[dc] * 0.95 + 0.999)], n[dc]}'
awk -v a="$c0" -v b="$c1" -v s="$seconds" -v hz="$hz" \
  'BEGIN {printf "saver cpu %.3f s per second\n", (b - a) / hz / s}'
awk -v a="$x0" -v b="$x1" -v s="$seconds" -v hz="$hz" \
  'BEGIN {printf "Xvfb cpu %.3f s per second\n", (b - a) / hz / s}'
rm -f "$log"
