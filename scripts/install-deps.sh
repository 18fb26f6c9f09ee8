#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo and the package need (dpkg-dev for
# the .deb's dependencies; desktop-file-utils, appstream and man-db to check the installed tree;
# xdotool and librsvg2-bin for scripts/screenshots.sh and scripts/icons.sh; clang and its libFuzzer
# runtime for scripts/fuzz-smoke.sh); skips what is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  libcurl4-openssl-dev
  fonts-noto-cjk xvfb xauth imagemagick
  dpkg-dev file desktop-file-utils appstream man-db groff-base
  xdotool librsvg2-bin
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
