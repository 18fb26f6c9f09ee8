#!/usr/bin/env bash
# Fails when a C++ file under src/ apps/ tests/ bench/ fuzz/ differs from .clang-format.
# Lists the files that differ; `clang-format -i FILE` fixes one.
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}
mapfile -t files < <(find src apps tests bench fuzz -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) 2>/dev/null | sort)
differing=()
for file in "${files[@]}"; do
  if ! "$clang_format" --dry-run --Werror "$file" > /dev/null 2>&1; then
    differing+=("$file")
  fi
done
if [ "${#differing[@]}" -gt 0 ]; then
  printf '%s\n' "${differing[@]}"
  echo "check-format: ${#differing[@]} of ${#files[@]} files differ from .clang-format" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files follow .clang-format"
