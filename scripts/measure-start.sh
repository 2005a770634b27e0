#!/usr/bin/env bash
# Start-up time: how long after its start velthra.scr /s calls SwapBuffers for
# the first time, beside an empty WGL program (bench/empty_wgl.c: a window,
# the driver's proposed pixel format, a context, one clear and a swap), the
# floor that any OpenGL program pays under this Wine. The two start in turn,
# RUNS times each (default 5), on a private screen (default 1920x1080):
#   scripts/measure-start.sh [RUNS] [WxH]
# The time of a start runs from the first line of Wine's trace (the process
# loading its first library) to the trace of the first call of
# gdi32.SwapBuffers (relay tracing of that one function only, so the trace
# itself costs next to nothing). Quote medians: the machine may be busy.
# VELTHRA_BASELINE_SCR=path/to/an/older/velthra.scr adds a third column, that
# build's starts taken in the same turns.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
screen=${2:-1920x1080}
build=${VELTHRA_BUILD_DIR:-$root/build/win}
if [ -z "${VELTHRA_IN_SESSION:-}" ]; then
  for program in velthra.scr empty_wgl.exe; do
    [ -f "$build/$program" ] || { echo "measure-start: no $build/$program (make win first)" >&2; exit 2; }
  done
  VELTHRA_IN_SESSION=1 VELTHRA_BUILD_DIR=$build exec "$root/scripts/wine-session.sh" \
    --prefix "$build/wineprefix-start" --screen "${screen}x24" "$0" "$runs" "$screen"
fi

wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d gdi32.SwapBuffers /f >/dev/null 2>&1
first_swap() {  # program [switch]: seconds from the first trace line to the first SwapBuffers
  local log pid
  log=$(mktemp)
  WINEDEBUG=+timestamp,+relay wine "$@" 2>"$log" &
  pid=$!
  for _ in $(seq 150); do
    grep -q 'Call gdi32.SwapBuffers' "$log" && break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  awk -F: '/^[0-9]+\.[0-9]+:/ { if (t0 == "") t0 = $1
             if (/Call gdi32\.SwapBuffers/) { printf "%.3f\n", $1 - t0; found = 1; exit } }
           END { if (!found) print "none" }' "$log"
  rm -f "$log"
}
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) printf "%.3f", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'; }

baseline=${VELTHRA_BASELINE_SCR:-}
echo "first SwapBuffers after the start, in seconds, at $screen"
printf '%-6s %-12s %-12s %s\n' run velthra.scr empty_wgl "${baseline:+baseline}"
ours=() floor=() base=()
for i in $(seq "$runs"); do
  ours+=("$(first_swap "$build/velthra.scr" /s)")
  floor+=("$(first_swap "$build/empty_wgl.exe")")
  [ -n "$baseline" ] && base+=("$(first_swap "$baseline" /s)")
  printf '%-6s %-12s %-12s %s\n' "$i" "${ours[-1]}" "${floor[-1]}" "${base[-1]:-}"
done
m_ours=$(printf '%s\n' "${ours[@]}" | grep -v none | median)
m_floor=$(printf '%s\n' "${floor[@]}" | grep -v none | median)
m_base=
[ -n "$baseline" ] && m_base=$(printf '%s\n' "${base[@]}" | grep -v none | median)
printf '%-6s %-12s %-12s %s\n' median "$m_ours" "$m_floor" "$m_base"
awk -v a="$m_ours" -v b="$m_floor" -v c="$m_base" 'BEGIN {
  if (a != "" && b != "") printf "velthra.scr needs %.3f s more than the floor\n", a - b
  if (c != "" && b != "") printf "the baseline needs %.3f s more than the floor\n", c - b }'
