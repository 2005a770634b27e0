#!/usr/bin/env bash
# velthra.scr at 144 DPI: runs dpi_e2e_test (the saver and the settings
# dialog) in a Wine session of its own (its own prefix with LogPixels 144, set
# before a wineserver restart so that it takes effect, on a 1920x1080 screen
# as a 150 % laptop has) and turns the dialog's picture into a PNG.
#
#   tests/release/dpi_test.sh BUILD_DIR [PNG]
#
# PNG defaults to BUILD_DIR/settings-dialog-144dpi.png. To refresh the picture
# in the README after the dialog changed:
#   tests/release/dpi_test.sh build/win docs/settings-dialog-144dpi.png
set -u
build=$(cd "$1" && pwd)
png=${2:-$build/settings-dialog-144dpi.png}
case "$png" in /*) ;; *) png=$PWD/$png ;; esac
if [ -z "${VELTHRA_DPI_SESSION:-}" ]; then
  here=$(cd "$(dirname "$0")" && pwd)
  unset VELTHRA_WINE_SESSION WINEPREFIX DISPLAY
  export VELTHRA_DPI_SESSION=1
  exec "$here/../../scripts/wine-session.sh" --prefix "$build/wineprefix-144dpi" \
    --screen 1920x1080x24 "$here/dpi_test.sh" "$build" "$png"
fi

wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 || exit 1
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

rm -f "$build/settings-dialog-144dpi.bmp"
(cd "$build" && wine ./dpi_e2e_test.exe)
status=$?
if [ -f "$build/settings-dialog-144dpi.bmp" ]; then
  convert "$build/settings-dialog-144dpi.bmp" -strip "png:$png" && echo "picture: $png"
fi
exit $status
