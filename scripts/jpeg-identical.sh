#!/usr/bin/env bash
# Checks that the JPEG decoder of the working tree gives byte for byte the
# output of the decoder at BASE_REV: every bench photograph, every synthetic
# bench picture, every test and fuzz-regression file, whole and cut short,
# in exact and fast mode, scalar, SSE2 and AVX2 kernels, plain and fast bit reader
# (jpeg_bench --dump). The base is built from `git archive` in a temporary
# folder with the working tree's bench program, so only the decoder differs;
# its build stays in build/jpeg-identical/REV for the next run.
#   scripts/jpeg-identical.sh BASE_REV
set -eu
cd "$(dirname "$0")/.."
base=${1:?usage: scripts/jpeg-identical.sh BASE_REV}
rev=$(git rev-parse --verify "$base^{commit}")
src=build/jpeg-identical/$rev
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ ! -d "$src" ]; then
  mkdir -p "$src"
  git archive "$rev" | tar -x -C "$src"
fi
cp bench/jpeg_bench.cpp "$src/bench/jpeg_bench.cpp"
[ -f "$src/build/build.ninja" ] || cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTHRA_BENCH=ON >/dev/null
cmake --build "$src/build" -j2 --target jpeg_bench >/dev/null
scripts/configure.sh bench
cmake --build build/bench -j2 --target jpeg_bench >/dev/null
scripts/bench.sh --data-only >/dev/null

files=($(scripts/bench-photos.sh) build/bench/jpeg-data/*.jpg tests/data/jpeg/*.jpg)
while IFS= read -r -d '' f; do files+=("$f"); done < <(find fuzz/regressions -type f -print0 | sort -z)
"$src/build/jpeg_bench" --dump "${files[@]}" > "$tmp/base.txt"
build/bench/jpeg_bench --dump "${files[@]}" > "$tmp/work.txt"
n=$(wc -l < "$tmp/base.txt")
if [ "$n" -ne "$(( ${#files[@]} * 24 ))" ] || ! cmp -s "$tmp/base.txt" "$tmp/work.txt"; then
  echo "jpeg-identical: OUTPUT DIFFERS from $base:" >&2
  diff "$tmp/base.txt" "$tmp/work.txt" | head -40 >&2
  exit 1
fi
echo "jpeg-identical: ${#files[@]} files x 24 configurations identical to $base ($n hashes)"
