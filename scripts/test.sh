#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs every test (no display needed).
# Extra arguments go to CMake's configure step of a fresh build (e.g. -DQL310_WERROR=ON).
# The sanitizer builds of the suite are scripts/sanitize.sh (run by .ci/run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh "$@"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${QL310_BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)" --timeout 300

echo "Fuzz targets: a short run of each from its seeds"
scripts/fuzz-smoke.sh
