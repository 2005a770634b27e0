#!/usr/bin/env bash
# A long run of the full-screen saver with every module active and a cycle
# time of 1 s, in a Wine session of its own. Once a minute it reports the
# saver's resident memory, threads, handles, GDI and USER objects and windows
# (read by build/win/soak_probe.exe, from tests/soak/) and the frames per
# second (Wine's fps trace of SwapBuffers). Every fifth minute, from the second on, it turns the display
# "off" and "on" and locks and unlocks the session (the probe delivers the
# notifications to the saver window) and reports the saver's CPU time and
# fps lines while paused against a stretch while drawing.
#   scripts/soak.sh MINUTES            (SOAK_SCREEN=640x480x24 by default)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VELTHRA_BUILD_DIR:-$root/build/win}"
minutes=${1:-30}
if [ -z "${VELTHRA_SOAK_INNER:-}" ]; then
  VELTHRA_SOAK_INNER=1 exec "$root/scripts/wine-session.sh" --prefix "$build/soak-prefix" \
    --screen "${SOAK_SCREEN:-640x480x24}" "$0" "$@"
fi

# Copies, so that a rebuild during the run does not touch the running program.
work=$(mktemp -d "$build/soak.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$build/velthra.scr" "$build/soak_probe.exe" "$work/"
scr="$work/velthra.scr"
probe="$work/soak_probe.exe"
log="$work/fps.log"
: >"$log"
hz=$(getconf CLK_TCK)

wine reg add 'HKCU\Software\Nimbrel\Velthra' /v 'cycle time' /t REG_DWORD /d 1 /f >/dev/null 2>&1
WINEDEBUG=+fps,+timestamp wine "$scr" /s 2>"$log" &

# The saver of this session: the Wine process running velthra.scr with this prefix.
pid=
for _ in $(seq 1 60); do
  for p in $(pgrep -f 'velthra.scr'); do
    if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then pid=$p; fi
  done
  winpid=$(wine "$probe" pid 2>/dev/null | tr -d '\r')
  [ -n "$pid" ] && [ -n "$winpid" ] && break
  sleep 1
done
[ -n "$pid" ] && [ -n "$winpid" ] || { echo "soak: saver not found" >&2; exit 1; }
start=$(date +%s)

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
# Wine's trace time stamps are seconds of the tick counter; the fps lines
# between two marks (line numbers in the log) are averaged.
fps_lines() { sed -n "$(($1 + 1)),$2p" "$log" | grep -c 'approx'; }
fps_mean() {
  sed -n "$(($1 + 1)),$2p" "$log" | sed -n 's/.*approx \([0-9.]*\)fps.*/\1/p' |
    awk '{s += $1; n++} END {if (n) printf "%.1f", s / n; else printf "-"}'
}
lines() { wc -l <"$log"; }
alive() { kill -0 "$pid" 2>/dev/null; }

# CPU seconds per second and fps lines over a stretch of N seconds.
measure() {
  local c0 l0 c1 l1
  c0=$(ticks); l0=$(lines)
  sleep "$1"
  c1=$(ticks); l1=$(lines)
  awk -v a="$c0" -v b="$c1" -v s="$1" -v hz="$hz" 'BEGIN {printf "cpu %.3f s/s", (b - a) / hz / s}'
  printf ", fps lines %d, fps %s" "$(fps_lines "$l0" "$l1")" "$(fps_mean "$l0" "$l1")"
}

pause_pair() {
  local what=$1 off=$2 on=$3
  echo "  minute $m $what: drawing: $(measure 8)"
  wine "$probe" "$what" "$winpid" "$off" || echo "  probe $what $off failed"
  sleep 1
  echo "  minute $m $what $off: $(measure 12)"
  wine "$probe" "$what" "$winpid" "$on" || echo "  probe $what $on failed"
  echo "  minute $m $what $on: $(measure 3)"
}

echo "soak: $minutes min, screen $(xdpyinfo | awk '/dimensions/{print $2}'), unix pid $pid, windows pid $winpid"
printf '%-6s %-9s %-8s %-64s %s\n' minute rss_kB threads 'probe: Windows threads, handles, GetGuiResources, GDI table, windows' fps
mark=$(lines)
for m in $(seq 0 "$minutes"); do
  if [ "$m" -gt 0 ]; then
    now=$(date +%s); wait_s=$((start + 60 * m - now))
    [ "$wait_s" -gt 0 ] && sleep "$wait_s"
  fi
  alive || { echo "soak: saver ended at minute $m" >&2; exit 1; }
  rss=$(awk '/VmRSS/{print $2}' "/proc/$pid/status")
  thr=$(awk '/Threads/{print $2}' "/proc/$pid/status")
  stats=$(wine "$probe" stats "$winpid" 2>/dev/null | tr -d '\r')
  now_line=$(lines)
  printf '%-6s %-9s %-8s %-64s %s\n' "$m" "$rss" "$thr" "$stats" "$(fps_mean "$mark" "$now_line")"
  mark=$now_line
  if [ "$m" -lt "$minutes" ] && [ $((m % 5)) -eq 2 ]; then
    pause_pair display off on
    pause_pair session lock unlock
  fi
done
