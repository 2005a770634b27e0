#!/usr/bin/env bash
# Makes the committed JPEG test corpus (tests/data/jpeg) with cjpeg and
# jpegtran from deterministic ImageMagick plasma pictures. Rerun only to
# change the corpus; the tests read the committed files.
set -eu
cd "$(dirname "$0")/.."
out=tests/data/jpeg
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

picture() {  # name width height [seed]
  convert -seed "${4:-7}" -size "$2x$3" plasma:fractal -depth 8 "$tmp/$1.ppm"
}
smooth() {   # name width height: soft gradients, so AC bands end early (long EOB runs)
  convert -size "$2x$3" gradient:'#204080-#e0c060' -swirl 90 -depth 8 "$tmp/$1.ppm"
}

picture p17 17 13
picture p40 40 36 11
picture p33 33 1 3
picture p64 64 48 5
picture p80 80 24 9
smooth s512 512 256

cjpeg -grayscale -quality 85 "$tmp/p17.ppm" > "$out/gray_17x13.jpg"
cjpeg -sample 1x1 -quality 85 "$tmp/p17.ppm" > "$out/c444_17x13.jpg"
cjpeg -sample 2x1 -quality 85 "$tmp/p17.ppm" > "$out/c422_17x13.jpg"
cjpeg -sample 1x2 -quality 85 "$tmp/p17.ppm" > "$out/c440_17x13.jpg"
cjpeg -sample 2x2 -quality 85 "$tmp/p17.ppm" > "$out/c420_17x13.jpg"
cjpeg -sample 2x2 -quality 90 "$tmp/p40.ppm" > "$out/c420_40x36.jpg"
cjpeg -sample 2x2 -quality 90 -optimize "$tmp/p40.ppm" > "$out/c420_40x36_opt.jpg"
cjpeg -sample 2x1 -quality 75 -optimize "$tmp/p40.ppm" > "$out/c422_40x36_opt.jpg"
cjpeg -sample 1x2 -quality 95 "$tmp/p40.ppm" > "$out/c440_40x36.jpg"
cjpeg -sample 2x2 -quality 85 "$tmp/p33.ppm" > "$out/c420_33x1.jpg"
# Quality 1 without -baseline gives quantisation entries above 255 (16-bit DQT, SOF1).
cjpeg -sample 2x2 -quality 1 "$tmp/p64.ppm" > "$out/c420_64x48_q16bit.jpg"
cjpeg -grayscale -quality 2 "$tmp/p64.ppm" > "$out/gray_64x48_q16bit.jpg"
# Restart intervals: every MCU (30 MCUs, RST7 -> RST0 wraps) and every MCU row.
cjpeg -sample 1x1 -quality 90 -restart 1B "$tmp/p80.ppm" > "$out/c444_80x24_rst1.jpg"
cjpeg -sample 2x2 -quality 90 -restart 1B -optimize "$tmp/p64.ppm" > "$out/c420_64x48_rst1.jpg"
cjpeg -grayscale -quality 90 -restart 1 "$tmp/p64.ppm" > "$out/gray_64x48_rstrow.jpg"
cjpeg -sample 2x1 -quality 90 -restart 1 "$tmp/p40.ppm" > "$out/c422_40x36_rstrow.jpg"
# A larger 4:2:0 picture with high detail.
picture p160 160 120 13
cjpeg -sample 2x2 -quality 92 "$tmp/p160.ppm" > "$out/c420_160x120.jpg"

# Progressive images and their sequential twins (same coefficients).
for base in gray_17x13 c444_17x13 c422_40x36_opt c440_40x36 c420_40x36 c420_160x120 c420_33x1; do
  jpegtran -progressive -copy none "$out/$base.jpg" > "$out/prog_$base.jpg"
done
jpegtran -progressive -restart 1B -copy none "$out/c420_64x48_rst1.jpg" > "$out/prog_c420_64x48_rst1.jpg"
cat > "$tmp/scans.txt" <<'SCANS'
# Split DC scans with successive approximation, AC bands refined in
# several passes.
0: 0-0, 0, 2;
1: 0-0, 0, 1;
2: 0-0, 0, 1;
0: 0-0, 2, 1;
0: 1-5, 0, 3;
0: 6-63, 0, 3;
1: 1-63, 0, 2;
2: 1-63, 0, 2;
0: 1-63, 3, 2;
0: 1-63, 2, 1;
1: 1-63, 2, 1;
0: 1-63, 1, 0;
1: 1-63, 1, 0;
2: 1-63, 2, 1;
2: 1-63, 1, 0;
0,1,2: 0-0, 1, 0;
SCANS
cjpeg -sample 2x2 -quality 90 "$tmp/s512.ppm" > "$tmp/s512.jpg"
jpegtran -scans "$tmp/scans.txt" -copy none "$tmp/s512.jpg" > "$out/prog_script_c420_512x256.jpg"
jpegtran -scans "$tmp/scans.txt" -copy none "$out/c420_160x120.jpg" > "$out/prog_script_c420_160x120.jpg"
jpegtran -copy none "$out/prog_script_c420_512x256.jpg" > "$out/seq_script_c420_512x256.jpg"
cjpeg -grayscale -quality 90 "$tmp/s512.ppm" > "$tmp/g512.jpg"
printf '0: 0-0, 0, 1;\n0: 1-9, 0, 2;\n0: 10-63, 0, 2;\n0: 1-63, 2, 1;\n0: 1-63, 1, 0;\n0: 0-0, 1, 0;\n' > "$tmp/gscans.txt"
jpegtran -scans "$tmp/gscans.txt" -copy none "$tmp/g512.jpg" > "$out/prog_script_gray_512x256.jpg"
jpegtran -copy none "$out/prog_script_gray_512x256.jpg" > "$out/seq_script_gray_512x256.jpg"
ls -l "$out" | awk '{s+=$5} END {print s " bytes in the corpus"}'
