#!/usr/bin/env bash
# Draws the icon from the title figure and cuts the PNG sizes a desktop asks
# for from it. Usage: make-icons.sh BUILD_FOLDER ICONS_FOLDER (needs a display)
set -euo pipefail
build=$(realpath "$1")
icons=$(realpath "$2")
"$build/tools/viz_make_icon" "$icons/viz.svg"
for size in 48 128 256; do
    rsvg-convert --width "$size" --height "$size" "$icons/viz.svg" --output "$icons/viz-$size.png"
done
echo "saved $icons/viz.svg and its 48, 128 and 256 pixel PNGs"
