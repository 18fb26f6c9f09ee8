#!/usr/bin/env bash
# Builds the Debian package in build-pkg/ (the programs only, without the tests) and prints its
# path. Install it with `apt install ./build-pkg/ql310_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
pkg_dir=${QL310_PACKAGE_DIR:-build-pkg}
if [ ! -f "$pkg_dir/build.ninja" ]; then
  cmake -S . -B "$pkg_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQL310_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$pkg_dir" --parallel "$(nproc)"
(cd "$pkg_dir" && cpack -G DEB > /dev/null)
ls "$pkg_dir"/ql310_*.deb
