#!/usr/bin/env bash
# Renders the hicolor PNG icons of velmo and serulo from their SVG drawings (data/icons/hicolor/
# scalable/apps). Run it after changing a drawing and commit the PNGs; needs rsvg-convert
# (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons/hicolor"
for svg in scalable/apps/*.svg; do
  name="$(basename "$svg" .svg)"
  for size in 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" "$svg" -o "${size}x${size}/apps/$name.png"
  done
done
