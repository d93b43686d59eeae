#!/usr/bin/env bash
# Installs everything Orvek needs to build, run, test and benchmark on Debian 12.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config clang-format ccache
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libvulkan-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcfitsio-dev libfftw3-dev fitsverify hyperfine
  liberfa-dev libcli11-dev nlohmann-json3-dev qt6-charts-dev qt6-translations-l10n
  clang-15 libfuzzer-15-dev desktop-file-utils appstream dpkg-dev fakeroot python3-erfa
  python3 python3-astropy python3-numpy
  xvfb xauth x11-apps imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
