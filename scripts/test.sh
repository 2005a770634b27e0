#!/usr/bin/env bash
# `make test`: installs what is missing, builds every tree and runs every test:
# native unit tests under ASan/UBSan, Windows tests under Wine on a private
# Xvfb display, a short run of each fuzz target, and the native Linux program
# (X11 under Xvfb, its Debian package and the real xscreensaver daemon).
#
# The Windows tests mostly wait (for windows, frames, processes), so they start
# as soon as the Windows tree is built, and the native and fuzz trees build
# and run beside them at a lower priority. `make dist` relinks velthra.scr, so
# the release tests (archive, installer) come after the Windows tests.
set -u
cd "$(dirname "$0")/.."
scripts/bootstrap.sh --dist --linux || exit 1
jobs=$(nproc)
mkdir -p build

status=0
passed=0
failed=0
tally() {  # reads a ctest log, adds its counts
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -1)
  [ -n "$line" ] || return
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
}
count_result() {  # runs one test command, counts it as one test
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    status=1
  fi
}
build_tree() {
  scripts/configure.sh "$1" && cmake --build "build/$1" -j "$jobs"
}

echo "== layout: the portable core includes no platform header"
count_result scripts/check-layout.sh

# One Wine prefix is booted while the Windows tree builds; every Wine session
# of this run (the two test sessions, and the tests that start sessions of
# their own) clones it instead of booting its own.
template=$PWD/build/wineprefix-template
rm -rf "$template"
VELTHRA_WINE_COLD=1 scripts/wine-session.sh --prefix "$template" true >build/wineprefix-template.log 2>&1 &
booting=$!
build_tree win || exit 1
if wait "$booting" && [ -f "$template/system.reg" ]; then
  export VELTHRA_WINE_TEMPLATE=$template
else
  echo "wine prefix template failed (build/wineprefix-template.log); each session boots its own"
fi

# Two Wine sessions side by side, each with its own prefix and display: the
# tests labelled "session2" (long end-to-end runs that mostly wait) in one,
# all others in the other. Their logs are shown when both have ended.
echo "== Windows tests under Wine (two sessions, logs follow the other trees)"
export VELTHRA_BUILD_DIR=$PWD/build/win
scripts/wine-session.sh bash -c 'cd build/win && ctest --output-on-failure -LE session2' \
  >build/win-ctest.log 2>&1 &
first=$!
scripts/wine-session.sh --prefix "$PWD/build/win/wineprefix-2" \
  bash -c 'cd build/win && ctest --output-on-failure -L session2' >build/win-ctest-2.log 2>&1 &
second=$!

echo "== native tests (ASan, UBSan)"
if nice -n 10 bash -c "$(declare -f build_tree); jobs=$jobs; build_tree native"; then
  (cd build/native && nice -n 10 ctest --output-on-failure -j "$jobs") | tee build/native-ctest.log
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  tally build/native-ctest.log
else
  echo "native tree did not build"; status=1; failed=$((failed + 1))
fi

echo "== fuzz smoke runs"
if nice -n 10 bash -c "$(declare -f build_tree); jobs=$jobs; build_tree fuzz"; then
  (cd build/fuzz && nice -n 10 ctest --output-on-failure) | tee build/fuzz-ctest.log
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  tally build/fuzz-ctest.log
else
  echo "fuzz tree did not build"; status=1; failed=$((failed + 1))
fi

echo "== Linux program: X11 under Xvfb, the package, the xscreensaver daemon"
if nice -n 10 bash -c "$(declare -f build_tree); jobs=$jobs; build_tree linux"; then
  (cd build/linux && nice -n 10 ctest --output-on-failure) | tee build/linux-ctest.log
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  tally build/linux-ctest.log
  sudo_cmd=
  [ "$(id -u)" = 0 ] || sudo_cmd=sudo
  if nice -n 10 $sudo_cmd tests/x11/package_test.sh >build/package-test.log 2>&1; then
    passed=$((passed + 1))
  else
    cat build/package-test.log
    failed=$((failed + 1))
    status=1
  fi
else
  echo "linux tree did not build"; status=1; failed=$((failed + 1))
fi

wait "$first" || status=1
wait "$second" || status=1
echo "== Windows tests, first session"
cat build/win-ctest.log
echo "== Windows tests, second session"
cat build/win-ctest-2.log
tally build/win-ctest.log
tally build/win-ctest-2.log

echo "== release archive and installer: make dist twice, same bytes; the installer under Wine"
for release_test in dist_test msi_test; do
  count_result tests/release/$release_test.sh
done

echo "== the Linux and the Windows program draw the same frames; 4 samples sharpen module 3 in both"
count_result bash -c '[ -x build/linux/velthra ] && nice -n 10 tests/x11/look_test.sh'

echo
echo "$passed passed, $failed failed"
[ "$failed" = 0 ] || status=1
exit $status
