#!/usr/bin/env bash
# The portable core (render/, scenes/, settings/, image/) includes no
# platform header: not <windows.h> or any other Win32 header, not Xlib or
# GLX, and no header of a host folder (win32/, x11/). Prints each offending
# line and fails; make test runs it.
set -u
cd "$(dirname "$0")/.."
platform='(windows|winuser|wingdi|winbase|winreg|winnt|shellapi|shellscalingapi|commctrl|mmsystem|dwmapi|wtsapi32|X11/[^>"]*|GL/glx[^>"]*|GL/wgl[^>"]*)\.h'
hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($platform|(win32|x11)/[^>\"]*)[>\"]" \
  render scenes settings image)
if [ -n "$hits" ]; then
  echo "The portable core includes a platform or host header:"
  echo "$hits"
  exit 1
fi
echo "layout: render/, scenes/, settings/ and image/ include no platform or host header"
