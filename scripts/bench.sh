#!/usr/bin/env bash
# Makes the benchmark pictures (once, in build/bench/jpeg-data) and runs the
# benchmarks: the two kinds of embedded pictures (512 x 512 4:4:4 and
# 640 x 480 4:2:0) and a 2048 x 2048 4:2:0 photo-like picture, each baseline
# and progressive (jpegtran, same coefficients; --data-only stops here); then real photographs from
# the Debian packages that `scripts/bootstrap.sh --bench` installs.
set -eu
cd "$(dirname "$0")/.."
data=build/bench/jpeg-data
mkdir -p "$data"
make_set() {  # name width height sampling quality seed blur noise
  local src="$data/$1.ppm"
  [ -f "$data/$1.jpg" ] && return
  # Plasma softened, then grain: about 2.4 bits per pixel at quality 90, like a photo.
  convert -seed "$6" -size "$2x$3" plasma:fractal -blur "0x$7" -seed "$6" -attenuate "$8" +noise Gaussian -depth 8 "$src"
  cjpeg -sample "$4" -quality "$5" "$src" > "$data/$1.jpg"
  jpegtran -progressive -copy none "$data/$1.jpg" > "$data/prog_$1.jpg"
  rm -f "$src"
}
make_set earth_512x512_444 512 512 1x1 90 3 0.6 0.3
make_set sky_640x480_420 640 480 2x2 90 5 1.5 0.1
make_set photo_2048x2048_420 2048 2048 2x2 90 7 0.6 0.4
[ "${1:-}" = --data-only ] && exit 0
ls -l "$data"/*.jpg | awk '{print "  " $5 "\t" $9}'
nice -n 0 build/bench/jpeg_bench --synthetic "$data"/earth_512x512_444.jpg "$data"/prog_earth_512x512_444.jpg \
  "$data"/sky_640x480_420.jpg "$data"/prog_sky_640x480_420.jpg \
  "$data"/photo_2048x2048_420.jpg "$data"/prog_photo_2048x2048_420.jpg \
  --photos $(scripts/bench-photos.sh)
# A hostile 167-byte progressive 4:4:4 8192 x 8192 file: three AC scans
# without data, whose 1-bit padding fills every block of every component.
hostile=$data/hostile_prog_444_8192.jpg
{
  printf '\xff\xd8\xff\xdb\x00\x43\x00'; printf '\x01%.0s' $(seq 64)
  printf '\xff\xc4\x00\x14\x00\x01'; printf '\x00%.0s' $(seq 16)
  printf '\xff\xc4\x00\x15\x10\x02'; printf '\x00%.0s' $(seq 15); printf '\x00\x01'
  printf '\xff\xc2\x00\x11\x08\x20\x00\x20\x00\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00'
  for c in 1 2 3; do printf "\\xff\\xda\\x00\\x08\\x01\\x0$c\\x00\\x01\\x3f\\x00"; done
  printf '\xff\xd9'
} > "$hostile"
for mode in exact fast; do nice -n 0 build/bench/jpeg_bench --begin $mode "$hostile"; done
