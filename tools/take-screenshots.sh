#!/usr/bin/env bash
# Runs the real program on the demo songs and saves one PNG of each screen
# into docs/, then the fullscreen window on a 1920x1080 screen of its own
# under openbox. Usage: take-screenshots.sh BUILD_FOLDER DOCS_FOLDER
set -euo pipefail
here=$(realpath "$(dirname "$0")")
build=$(realpath "$1")
docs=$(realpath "$2")
work=$(mktemp -d)
pid=""
source "$(dirname "$0")/../tests/e2e/display_helpers.sh"
trap cleanup EXIT

# move_in_circle SECONDS [RADIUS]: the pointer circles the window's centre.
move_in_circle() {
    local steps=$(( $1 * 20 )) radius=${2:-140}
    for i in $(seq 1 "$steps"); do
        local x y
        x=$(awk -v i="$i" -v r="$radius" 'BEGIN { printf "%d", 250 + r * cos(i / 6) }')
        y=$(awk -v i="$i" -v r="$radius" 'BEGIN { printf "%d", 250 + 0.8 * r * sin(i / 4) }')
        xdotool mousemove --window "$window" "$x" "$y"
        sleep 0.05
    done
}

save() { shot "$1"; cp "$work/$1.png" "$docs/$1.png"; echo "saved docs/$1.png"; }

if [[ ${3:-} == --fullscreen ]]; then
    launch_viz "$build/viz" --fullscreen --samples 4
    sleep 1
    xdotool key Return
    sleep 2
    xdotool key 3
    move_in_circle 4
    save fullscreen
    quit_viz
    exit 0
fi

start_viz "$build/viz"
sleep 5.5
save title
xdotool key Return
sleep 3.5
save selection
xdotool key Return
move_in_circle 3
save scene0
xdotool click 1
move_in_circle 4
save scene1
xdotool click 1
# Slowly near the centre: the canvas scrolls with the distance from it.
move_in_circle 4 25
save scene2
xdotool click 1
move_in_circle 2
save scene3
xdotool key 8
sleep 0.5
save scene8
# The shader scenes that come with viz, in their order (0 steps on).
for name in bars oscilloscope particles radial tunnel; do
    xdotool key 0
    sleep 3
    save "shader-$name"
done
quit_viz

# A still from a rendered video of the first demo song: the tunnel at five
# seconds, 1080 x 1080 scaled to the others' size.
"$build/viz" --render "$work/render.mp4" "$build/media/Night Drive.mp3" --seconds 6
ffmpeg -v error -ss 5 -i "$work/render.mp4" -frames:v 1 -vf scale=500:500 -y "$docs/render.png"
echo "saved docs/render.png"

VIZ_SCREEN=1920x1080 "$here/../scripts/with-display" --own "$here/../scripts/with-window-manager" \
    "$here/take-screenshots.sh" "$build" "$docs" --fullscreen
