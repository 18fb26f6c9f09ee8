#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs every test (no display needed).
# The serial port's threads and the update worker are also checked under ThreadSanitizer in a
# small build of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

tsan_dir=build-tsan
if [ ! -f "$tsan_dir/build.ninja" ]; then
  cmake -S . -B "$tsan_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQL310_SANITIZE=thread \
    -DQL310_BUILD_GUI=OFF > /dev/null
fi
cmake --build "$tsan_dir" --parallel "$(nproc)" --target test_e2e_link test_runtime test_update
echo "ThreadSanitizer: serial port, scheduler and update worker tests"
TSAN_OPTIONS="halt_on_error=1" "$tsan_dir/tests/e2e/test_e2e_link" --gtest_brief=1
TSAN_OPTIONS="halt_on_error=1" "$tsan_dir/tests/runtime/test_runtime" --gtest_brief=1
TSAN_OPTIONS="halt_on_error=1" "$tsan_dir/tests/update/test_update" --gtest_brief=1

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${QL310_BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)" --timeout 300

echo "Fuzz targets: a short run of each from its seeds"
scripts/fuzz-smoke.sh
