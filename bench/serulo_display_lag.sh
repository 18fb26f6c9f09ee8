#!/usr/bin/env bash
# Builds and runs serulo's display-lag benchmark (921,600 baud through a pseudo-terminal).
# Arguments go to the program (--seconds S). Offscreen unless a display is set; BENCH_XVFB=1
# runs it under Xvfb for real window painting.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QL310_BENCH_BUILD_DIR:-build-bench}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL310_BUILD_BENCH=ON -DQL310_BUILD_TESTS=OFF
fi
cmake --build "$build_dir" --target serulo_display_lag --parallel 2
if [ "${BENCH_XVFB:-0}" = 1 ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build_dir/bench/serulo_display_lag" "$@"
fi
exec "$build_dir/bench/serulo_display_lag" "$@"
