#!/usr/bin/env bash
# Times `velmo info` without --port twice against ql310-sim on a pseudo-terminal found through
# VELMO_EXTRA_PORTS: the first walks the whole search (the machine's own ports first), the second
# tries first where the logger answered last (link.ini in velmo's home) and connects in one pass.
#   bench/velmo_info_reconnect.sh [ROUNDS]    (default 3; uses the programs in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${QL310_BUILD_DIR:-build}
rounds=${1:-3}
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/ql310-sim" --baud 9600 --link "$work/ql310" > /dev/null &
sim=$!
for _ in $(seq 50); do [ -e "$work/ql310" ] && break; sleep 0.1; done

seconds() { local start end; start=$(date +%s.%N); "$@" > /dev/null; end=$(date +%s.%N); echo "$end - $start" | bc; }
for round in $(seq "$rounds"); do
  home="$work/home$round"
  first=$(VELMO_HOME=$home VELMO_EXTRA_PORTS="$work/ql310" seconds "$bin/velmo" info --timeout 60)
  second=$(VELMO_HOME=$home VELMO_EXTRA_PORTS="$work/ql310" seconds "$bin/velmo" info --timeout 60)
  printf 'round %d: first %.2f s, second %.2f s\n' "$round" "$first" "$second"
done
