#!/usr/bin/env bash
# Prints the paths of the real photographs the JPEG benchmarks decode, as the
# packages mate-backgrounds and xplanet-images install them (see
# `scripts/bootstrap.sh --bench`): 4:2:0, 4:2:2 and 4:4:4 baseline (one with
# restart interval 256) and 4:4:4 and 4:2:2 progressive, 2 to 8 megapixels.
set -eu
for f in \
  /usr/share/backgrounds/mate/nature/RainDrops.jpg \
  /usr/share/backgrounds/mate/nature/TwoWings.jpg \
  /usr/share/backgrounds/mate/nature/Blinds.jpg \
  /usr/share/backgrounds/mate/nature/Wood.jpg \
  /usr/share/xplanet/images/earth.jpg \
  /usr/share/backgrounds/mate/abstract/Elephants.jpg \
  /usr/share/backgrounds/mate/abstract/Elephants_3840x2160.jpg; do
  [ -f "$f" ] || { echo "bench-photos: $f is missing (scripts/bootstrap.sh --bench)" >&2; exit 1; }
  echo "$f"
done
