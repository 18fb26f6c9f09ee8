#!/usr/bin/env bash
# The main job: installs what is missing, builds, and starts velmo with a simulated logger.
# Without a display it shows the same logger headlessly (velmo find and velmo info).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
bin="${QL310_BUILD_DIR:-build}"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/velmo" --demo "$@"
fi

echo "No display here: running the simulated logger headlessly (start this on a desktop for the window)."
link="$(mktemp -u /tmp/ql310-demo.XXXXXX)"
"$bin/ql310-sim" --baud 9600 --files 5 --link "$link" > /dev/null &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
export VELMO_EXTRA_PORTS="$link"
echo "\$ velmo find"
"$bin/velmo" find --timeout 60
echo "\$ velmo info --port $link --baud 9600"
"$bin/velmo" info --port "$link" --baud 9600
echo "\$ velmo files --port $link --baud 9600"
"$bin/velmo" files --port "$link" --baud 9600
