#!/usr/bin/env bash
# Instructions per pixel of each JPEG decoder stage, counted by callgrind on
# one decode (jpeg_bench --profile MODE FILE 1) in build/profile, the bench
# build with debug line information added (same code, -O3 as Release).
# Costs go to the stage of the decoder source file a function comes from
# (code inlined into it, intrinsics included, counts with it): entropy (jpeg_entropy.cpp, jpeg_progressive.cpp, jpeg_bits.h),
# IDCT (jpeg_idct.cpp), colour and upsampling (jpeg_lines.cpp); library calls
# (memset, memcpy) count for the stage that makes them; the rest is input,
# markers, set-up, the bench's copying of lines and process start.
#   scripts/jpeg-profile.sh exact|fast FILE...
set -eu
cd "$(dirname "$0")/.."
mode=${1:?usage: scripts/jpeg-profile.sh exact|fast FILE...}
shift
dir=build/profile
[ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g -DVELTHRA_BENCH=ON >/dev/null
cmake --build "$dir" -j2 --target jpeg_bench >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '%-28s %-5s %8s %8s %8s %8s %8s\n' "instructions/pixel" mode entropy idct colour rest total
for f in "$@"; do
  valgrind --tool=callgrind --callgrind-out-file="$tmp/out" --compress-strings=no --compress-pos=no \
    "$dir/jpeg_bench" --profile "$mode" "$f" 1 >/dev/null 2>&1
  python3 - "$tmp/out" "$(identify -format '%w %h' "$f")" "$(basename "$f")" "$mode" <<'PY'
import os, sys
stages = {"jpeg_entropy.cpp": "entropy", "jpeg_progressive.cpp": "entropy", "jpeg_bits.h": "entropy",
          "jpeg_idct.cpp": "idct", "jpeg_lines.cpp": "colour"}
ours = lambda f: "/image/jpeg/" in f
lines = open(sys.argv[1]).read().splitlines()
# Pass 1: the decoder's source files each function's code comes from (its
# first instructions may come from an intrinsics header); a .cpp names the stage.
files = {}
fl = fn = ""
for line in lines:
    if line.startswith("fl="): fl = line[3:]
    elif line.startswith("fn="): fn = line[3:]; files.setdefault(fn, set()).add(fl)
    elif line.startswith(("fi=", "fe=")): files.setdefault(fn, set()).add(line[3:])
def stage_of(name):
    mine = sorted((f for f in files.get(name, ()) if ours(f)), key=lambda f: not f.endswith(".cpp"))
    return (stages.get(os.path.basename(mine[0]), "rest"), True) if mine else (None, False)
# Pass 2: exclusive costs of the decoder's functions, plus inclusive costs of
# their calls out of the decoder (memset, memcpy).
cost = {"entropy": 0, "idct": 0, "colour": 0, "rest": 0}
total = 0
fn = callee = ""
in_call = False
for line in lines:
    if line.startswith("fn="): fn = line[3:]
    elif line.startswith("cfn="): callee = line[4:]
    elif line.startswith("calls="): in_call = True
    elif line.startswith(("summary:", "totals:")): total = int(line.split()[1])
    elif line[:1].isdigit():
        n = int(line.split()[1])
        stage, mine = stage_of(fn)
        if in_call:
            if mine and not stage_of(callee)[1]: cost[stage] += n
            in_call = False
        elif mine:
            cost[stage] += n
w, h = map(int, sys.argv[2].split())
px = w * h
rest = total - cost["entropy"] - cost["idct"] - cost["colour"]
print("%-28s %-5s %8.1f %8.1f %8.1f %8.1f %8.1f" % (sys.argv[3], sys.argv[4], cost["entropy"] / px, cost["idct"] / px,
      cost["colour"] / px, rest / px, total / px))
PY
done
