#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and `make run` need.
# Silent and quick when everything is already there. With --bench it also
# installs the real photographs the benchmarks decode (not needed by the tests);
# with --dist the tools of `make dist` and its test: wixl and msitools for the
# installer, osslsigncode and openssl for signing, python3-yaml for reading
# the winget manifests back; with --linux what the native X11 build, its
# Debian package, the test with the real xscreensaver daemon and the tests
# under real window managers need.
set -eu
packages=(
  cmake ninja-build make g++ python3 unzip
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils xdotool imagemagick
  libgl1-mesa-dri libglu1-mesa-dev libosmesa6-dev
  googletest libgtest-dev
  clang-14 libclang-rt-14-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libjpeg-turbo-progs libstb-dev
)
for option in "$@"; do
  case "$option" in
    --bench) packages+=(mate-backgrounds xplanet-images valgrind) ;;
    --dist) packages+=(wixl msitools python3-olefile osslsigncode openssl python3-yaml) ;;
    --linux) packages+=(libx11-dev libxrandr-dev libgl-dev libglu1-mesa-dev dpkg-dev fakeroot
      lintian xscreensaver xscreensaver-gl passwd openbox twm) ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "bootstrap: installing ${missing[*]}"
sudo_cmd=
[ "$(id -u)" = 0 ] || sudo_cmd=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo_cmd apt-get update -qq
$sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
