#!/usr/bin/env bash
# The processor time the real program takes while a song plays in scene 0:
# its window seen, then covered by another window, then minimised, under
# the window manager of the display. Each is 5 seconds of the process's own
# CPU time, as a share of one core and as a ratio to the seen window.
# Run under scripts/with-display and scripts/with-window-manager (make bench).
# Usage: window_cpu.sh VIZ_BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
pid=""
cover=""
source "$(dirname "$0")/../tests/e2e/display_helpers.sh"
trap 'kill $cover 2>/dev/null || true; cleanup' EXIT

# cpu_share SECONDS: the program's user and system time over SECONDS, as a
# share of one core.
cpu_share() {
    local ticks=$(getconf CLK_TCK) before after
    before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    sleep "$1"
    after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    awk -v t=$((after - before)) -v hz="$ticks" -v s="$1" 'BEGIN { printf "%.4f", t / hz / s }'
}

start_viz "$build/viz"
xdotool key Return
sleep 1
xdotool key Return
sleep 1
seen=$(cpu_share 5)

xlogo -geometry 1200x1000+0+0 &
cover=$!
sleep 1
covered=$(cpu_share 5)
kill $cover
cover=""
sleep 1

xdotool windowminimize --sync "$window"
sleep 1
minimised=$(cpu_share 5)
alive

awk -v seen="$seen" -v covered="$covered" -v minimised="$minimised" 'BEGIN {
    printf "window CPU, share of a core: seen %.1f %%, covered %.2f %% (%.4f x seen), minimised %.2f %% (%.4f x seen)\n",
        100 * seen, 100 * covered, covered / seen, 100 * minimised, minimised / seen
}'
