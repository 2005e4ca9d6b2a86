#!/usr/bin/env bash
# Starts the real program, finds its window by title, checks its size and
# takes a screenshot of it.
set -euo pipefail
work=$(mktemp -d)
pid=""
source "$(dirname "$0")/display_helpers.sh"
trap cleanup EXIT

start_viz "$1"
[[ "$(xdotool getwindowname "$window")" == ":]" ]] || fail "title is '$(xdotool getwindowname "$window")'"
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ "$WIDTH" == 500 && "$HEIGHT" == 500 ]] || fail "size is ${WIDTH}x$HEIGHT"

sleep 0.5
shot window
size=$(identify -format '%wx%h' "$work/window.png")
[[ "$size" == "500x500" ]] || fail "screenshot is $size"
alive
echo "window ':]' 500x500 shown and captured"
