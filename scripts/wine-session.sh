#!/usr/bin/env bash
# Runs a command inside a private Wine session: its own WINEPREFIX and its own
# Xvfb display on a free display number. Everything the session started
# (Xvfb, wineserver, any Windows program) is ended when the command ends,
# also when it fails, is interrupted or times out.
#
#   scripts/wine-session.sh [--prefix DIR] [--screen WxHxD] [--monitors LAYOUT] command ...
#
# --monitors "1024x768+0+0,800x600+1024+0" gives Wine several monitors (the
# first is the primary): an X screen as large as the layout, without RandR, so
# that Wine asks Xinerama, and a libXinerama double on LD_LIBRARY_PATH that
# answers with these rectangles (built into $VELTHRA_BUILD_DIR/monitors).
#
# The prefix defaults to $VELTHRA_BUILD_DIR/wineprefix (build/win/wineprefix);
# it is made anew for each session so that no run sees another's registry
# (cloned from $VELTHRA_WINE_TEMPLATE when that names a booted prefix).
# VELTHRA_WINE_COLD=1 leaves Wine to stop between programs as it does by itself.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
prefix="${VELTHRA_BUILD_DIR:-$root/build/win}/wineprefix"
screen=1024x768x24
keep_prefix=0
monitors=
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    --monitors) monitors=$2; shift 2 ;;
    --keep-prefix) keep_prefix=1; shift ;;
    *) break ;;
  esac
done
case "$prefix" in /*) ;; *) prefix=$PWD/$prefix ;; esac  # Wine wants it absolute
[ $# -gt 0 ] || { echo "usage: $0 [--prefix DIR] [--screen WxHxD] [--monitors LAYOUT] command ..." >&2; exit 2; }
xvfb_options=()
if [ -n "$monitors" ]; then
  double_dir="${VELTHRA_BUILD_DIR:-$root/build/win}/monitors"
  [ -f "$double_dir/libXinerama.so.1" ] || { echo "wine-session: no $double_dir/libXinerama.so.1" >&2; exit 2; }
  # The X screen spans the layout from (0,0); Windows puts the primary there.
  screen=$(tr ',' '\n' <<<"$monitors" | awk -F'[x+]' '
    { if ($1 + $3 > w) w = $1 + $3; if ($2 + $4 > h) h = $2 + $4 }
    END { printf "%dx%dx24", w, h }')
  xvfb_options=(-extension RANDR)
  export VELTHRA_MONITORS=$monitors
  export LD_LIBRARY_PATH="$double_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi

xvfb_pid=
display_number=
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A free display, chosen by Xvfb itself (-displayfd): it takes the display's
# lock before it reports the number, so sessions starting together never end
# up on one display.
start_xvfb() {
  local out n
  out=$(mktemp) || return 1
  Xvfb -displayfd 9 -screen 0 "$screen" "${xvfb_options[@]}" -nolisten tcp -noreset 9>"$out" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    n=$(head -n 1 "$out")
    if [ -n "$n" ] && [ -e "/tmp/.X11-unix/X$n" ]; then
      rm -f "$out"
      display_number=$n
      return 0
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$out"
  kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
  return 1
}
start_xvfb || { echo "wine-session: no free X display" >&2; exit 1; }
export DISPLAY=":$display_number"

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
# A prefix booted once (VELTHRA_WINE_TEMPLATE, made by scripts/test.sh while
# the trees build) is cloned instead of running wineboot again: the programs
# and libraries Wine put there are hard links, since nothing writes them in
# place; everything else (registry, ini files) is a copy of its own.
clone_template() {
  local template=$1 file
  cp -al "$template" "$prefix" || return 1
  rm -f "$prefix/wineserver"
  (cd "$template" && find . -type f ! -iname '*.dll' ! -iname '*.exe' ! -iname '*.drv' \
      ! -iname '*.sys' ! -iname '*.ocx' ! -iname '*.cpl' ! -iname '*.acm' ! -iname '*.tlb' \
      ! -name wineserver -print0) |
    while IFS= read -r -d '' file; do
      cp --remove-destination -p "$template/$file" "$prefix/$file" || exit 1
    done
}
if [ "$keep_prefix" = 0 ] || [ ! -f "$prefix/system.reg" ]; then
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  template=${VELTHRA_WINE_TEMPLATE:-}
  if [ -n "$template" ] && [ -f "$template/system.reg" ] && [ "$template" != "$prefix" ] &&
     clone_template "$template"; then
    :
  else
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
fi
# Wine ends its system processes (desktop, services) about 3 s after the last
# Windows program of a session exits, and starts them again with the next
# program. A console program that waits forever for input keeps them up, so
# that each test program starts at once. It owns no window, and ends with the
# session (wineserver -k).
keep_wine_warm() {
  local fifo
  fifo=$(mktemp -u) && mkfifo "$fifo" || return
  exec 3<>"$fifo"
  rm -f "$fifo"
  wine cmd.exe <&3 >/dev/null 2>&1 &
  # The system processes keep the output of the program that started them
  # open: start them here, on /dev/null, not from a test whose output is read
  # through a pipe (which would then never end).
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1
}
[ "${VELTHRA_WINE_COLD:-0}" = 1 ] || keep_wine_warm
# Xvfb runs no window manager, and Wine waits two seconds for one whenever it
# hides a window it would hand to one (every dialog that ends). Wine's own
# setting keeps the session's windows to itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
export VELTHRA_WINE_SESSION=1
"$@" 3>&-
