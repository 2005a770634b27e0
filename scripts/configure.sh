#!/usr/bin/env bash
# Configures one build tree: win, native, linux, bench or fuzz (once; later calls are no-ops).
set -eu
cd "$(dirname "$0")/.."
tree=$1
dir=build/$tree
[ -f "$dir/build.ninja" ] && exit 0
case "$tree" in
  win)    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release ;;
  native) cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTHRA_SANITIZE=ON ;;
  # Debian's hardening flags, as lintian expects of a package's binaries.
  linux)  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTHRA_LINUX=ON \
            -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
            -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" ;;
  bench)  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTHRA_BENCH=ON ;;
  fuzz)   CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTHRA_FUZZ=ON ;;
  *) echo "configure: unknown tree $tree" >&2; exit 2 ;;
esac >/dev/null
