#!/usr/bin/env bash
# `make run`: starts velthra.scr under Wine with the given switch (default /s).
# With a DISPLAY it runs there until it ends; without one it runs for a few
# seconds on a private Xvfb screen and saves a picture of that screen.
set -u
cd "$(dirname "$0")/.."
root=$PWD
switch=${1:-/s}
prefix=$root/build/win/run-prefix
seconds=${VELTHRA_RUN_SECONDS:-6}
export WINEDEBUG=${WINEDEBUG:--all}

if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=$prefix
  [ -f "$prefix/system.reg" ] || wineboot -i >/dev/null 2>&1
  wine build/win/velthra.scr "$switch"
  code=$?
  wineserver -w
  exit $code
fi

shot=$root/build/run-$(tr -c 'a-zA-Z0-9' '_' <<<"${switch}" | sed 's/^_*//; s/_*$//').png
VELTHRA_BUILD_DIR=$root/build/win scripts/wine-session.sh --prefix "$prefix" --keep-prefix bash -c '
  wine build/win/velthra.scr "$1" &
  sleep "$2"
  import -window root "$3"
  kill %1 2>/dev/null
' run "$switch" "$seconds" "$shot" || exit 1
echo "velthra.scr $switch ran for $seconds s on a private screen; picture: $shot"
