#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz and runs each one briefly from its seed corpus in fuzz/corpus/<target>/.
#
#   scripts/fuzz-smoke.sh                      every target, 4 seconds each
#   QL310_FUZZ_SECONDS=600 scripts/fuzz-smoke.sh fuzz_data_file    a long run of one target
#
# A run of more than a minute keeps the new inputs it finds in build-fuzz/corpus/<target>/ and the
# next long run starts from them; a short run starts from the seeds alone, so its time stays
# bounded. The committed seeds are never changed. A crash leaves its input in build-fuzz/findings/
# and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${QL310_FUZZ_SECONDS:-4}"
dir="${QL310_FUZZ_BUILD_DIR:-build-fuzz}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n '/^set(fuzz_targets/,/)/p' fuzz/CMakeLists.txt | tr ' ()' '\n\n\n' | grep '^fuzz_' | grep -v '^fuzz_targets$')
fi

if [ ! -f "$dir/build.ninja" ]; then
  launcher=()
  command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DQL310_FUZZ=ON -DQL310_BUILD_GUI=OFF -DQL310_BUILD_TESTS=OFF \
    "${launcher[@]}" > /dev/null
fi
cmake --build "$dir" --parallel "$(nproc)" --target "${targets[@]}"

mkdir -p "$dir/findings"
for target in "${targets[@]}"; do
  corpus="$dir/corpus/$target"
  if [ "$seconds" -le 60 ]; then
    corpus="$dir/smoke/$target"
    rm -rf "$corpus"
  fi
  mkdir -p "$corpus"
  echo "fuzzing $target for ${seconds}s"
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" ASAN_OPTIONS="detect_leaks=1" \
    "$dir/fuzz/$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$dir/findings/$target-" "$corpus" "fuzz/corpus/$target" \
    > "$dir/findings/$target.log" 2>&1 || {
    tail -40 "$dir/findings/$target.log"
    echo "fuzz target $target failed; its input is in $dir/findings/"
    exit 1
  }
  grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units' "$dir/findings/$target.log" | tail -2 | paste -sd ' '
done
