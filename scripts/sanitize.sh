#!/usr/bin/env bash
# The non-GUI test suite under sanitizers, in a build tree of its own per configuration:
#   scripts/sanitize.sh address   AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
#   scripts/sanitize.sh thread    ThreadSanitizer (build-tsan/): the serial port's threads, the
#                                 update worker and the pseudo-terminal server are exercised by the
#                                 e2e, sim, runtime and update tests.
# Extra arguments go to CMake's configure step (e.g. -DQL310_WERROR=ON); `--only T...` builds and
# runs only the named test programs (what .ci/run does for the thread checks).
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-}
shift || true
case "$kind" in
  address) sanitizers=address,undefined; build_dir=build-asan ;;
  thread) sanitizers=thread; build_dir=build-tsan ;;
  *) echo "usage: scripts/sanitize.sh address|thread [cmake options]" >&2; exit 2 ;;
esac

only=()
if [ "${1:-}" = "--only" ]; then
  shift
  only=("$@")
  set --
fi

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQL310_SANITIZE="$sanitizers" -DQL310_BUILD_GUI=OFF "$@" > /dev/null
fi
if [ ${#only[@]} -gt 0 ]; then
  cmake --build "$build_dir" --parallel "$(nproc)" --target "${only[@]}"
else
  cmake --build "$build_dir" --parallel "$(nproc)"
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
if [ ${#only[@]} -gt 0 ]; then
  for test in "${only[@]}"; do
    binary=$(find "$build_dir/tests" -type f -name "$test" -perm -u+x | head -1)
    "$binary" --gtest_brief=1
  done
  echo "sanitize.sh $kind (${only[*]}): green"
  exit 0
fi
# The programs started by the e2e tests inherit these settings, so they are checked as well.
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 600
echo "sanitize.sh $kind: green"
