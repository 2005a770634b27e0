#!/usr/bin/env bash
# Builds velthra.scr of the current commit twice, from two clones in folders
# of different names and lengths with differently named build folders, and
# compares the bytes. Slow (two full builds); not part of `make test`.
#
#   scripts/repro-check.sh [JOBS]
set -eu
cd "$(dirname "$0")/.."
jobs=${1:-2}
commit=$(git rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_in() {  # clone folder, build folder name
  git clone -q --no-checkout . "$1"
  git -C "$1" checkout -q "$commit"
  cmake -S "$1" -B "$1/$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  nice -n 19 cmake --build "$1/$2" -j "$jobs" --target velthra >/dev/null
}
build_in "$work/a" build-one
build_in "$work/second-clone-with-a-longer-name" tree2
sha256sum "$work/a/build-one/velthra.scr" "$work/second-clone-with-a-longer-name/tree2/velthra.scr"
if cmp "$work/a/build-one/velthra.scr" "$work/second-clone-with-a-longer-name/tree2/velthra.scr"; then
  echo "repro-check: identical ($commit)"
else
  echo "repro-check: velthra.scr differs between the two builds" >&2
  exit 1
fi
