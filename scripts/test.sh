#!/usr/bin/env bash
# `make test`: installs what is missing, builds every tree and runs every test:
# native unit tests under ASan/UBSan, Windows tests under Wine on a private
# Xvfb display, and a short run of each fuzz target.
set -u
cd "$(dirname "$0")/.."
scripts/bootstrap.sh || exit 1
jobs=$(nproc)

# One Wine prefix is booted while the trees build; every Wine session of this
# run (two test sessions, and the tests that start sessions of their own)
# clones it instead of booting its own.
template=$PWD/build/wineprefix-template
rm -rf "$template"
mkdir -p build
VELTHRA_WINE_COLD=1 scripts/wine-session.sh --prefix "$template" true >build/wineprefix-template.log 2>&1 &
booting=$!

for tree in native win fuzz; do
  scripts/configure.sh "$tree" || exit 1
  cmake --build "build/$tree" -j "$jobs" || exit 1
done
if wait "$booting" && [ -f "$template/system.reg" ]; then
  export VELTHRA_WINE_TEMPLATE=$template
else
  echo "wine prefix template failed (build/wineprefix-template.log); each session boots its own"
fi

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

echo "== native tests (ASan, UBSan)"
(cd build/native && ctest --output-on-failure -j "$jobs") | tee build/native-ctest.log
[ "${PIPESTATUS[0]}" = 0 ] || status=1
tally build/native-ctest.log

# Two Wine sessions side by side, each with its own prefix and display: the
# tests labelled "session2" (long end-to-end runs that mostly wait) in one,
# all others in the other. Each log is shown when its session has ended.
echo "== Windows tests under Wine (two sessions)"
export VELTHRA_BUILD_DIR=$PWD/build/win
scripts/wine-session.sh bash -c 'cd build/win && ctest --output-on-failure -LE session2' \
  >build/win-ctest.log 2>&1 &
first=$!
scripts/wine-session.sh --prefix "$PWD/build/win/wineprefix-2" \
  bash -c 'cd build/win && ctest --output-on-failure -L session2' >build/win-ctest-2.log 2>&1 &
second=$!
wait "$first" || status=1
cat build/win-ctest.log
wait "$second" || status=1
cat build/win-ctest-2.log
tally build/win-ctest.log
tally build/win-ctest-2.log

echo "== release archive: make dist twice, same bytes"
if tests/release/dist_test.sh; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  status=1
fi

echo "== fuzz smoke runs"
(cd build/fuzz && ctest --output-on-failure) | tee build/fuzz-ctest.log
[ "${PIPESTATUS[0]}" = 0 ] || status=1
tally build/fuzz-ctest.log

echo
echo "$passed passed, $failed failed"
[ "$failed" = 0 ] || status=1
exit $status
