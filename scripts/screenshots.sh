#!/usr/bin/env bash
# Takes the README's pictures of the two windows (docs/velmo.png, docs/serulo.png): velmo --demo
# and serulo run on a virtual X server (Xvfb) and ImageMagick's import grabs each window.
# Needs a build (scripts/build.sh) and xvfb, xdotool and imagemagick (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$(pwd)/${QL310_BUILD_DIR:-build}"
display=":${QL310_SCREENSHOT_DISPLAY:-97}"
scratch="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1366x900x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display" QT_QPA_PLATFORM=xcb LANG=C.UTF-8
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done

# Waits for the window of process $1, lets it settle for $2 seconds and grabs it into $3.
grab() {
  local window
  window="$(timeout 30 xdotool search --sync --onlyvisible --pid "$1" | head -n 1)"
  sleep "$2"
  import -window "$window" "$3"
  echo "$3"
}

# velmo with its simulated logger: connected, the information read, the files listed.
VELMO_HOME="$scratch/velmo" "$bin/velmo" --demo > /dev/null 2>&1 &
pids+=($!)
grab "$!" 12 docs/velmo.png

XDG_CONFIG_HOME="$scratch/config" "$bin/serulo" > /dev/null 2>&1 &
pids+=($!)
grab "$!" 3 docs/serulo.png
