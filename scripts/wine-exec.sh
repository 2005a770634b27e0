#!/usr/bin/env bash
# Runs one Windows program under Wine. Inside a wine session (scripts/wine-session.sh)
# the prefix and display are already set; run alone, it opens a session of its own.
set -u
if [ -z "${VELTHRA_WINE_SESSION:-}" ]; then
  here=$(cd "$(dirname "$0")" && pwd)
  exec "$here/wine-session.sh" "$here/wine-exec.sh" "$@"
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
