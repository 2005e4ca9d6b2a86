#!/usr/bin/env bash
# viz --render at each preset's size: the frame is that size, and the
# rosette (scene 8) in it stays round and centred, whatever the shape.
# Usage: render_presets_test.sh VIZ MAKE_TEST_SONG
set -euo pipefail
source "$(dirname "$0")/video_helpers.sh"
start_render_test "$1" "$2"
render() { env -u DISPLAY "$viz" --render "$@" 2>"$work/err"; }

"$make_song" "$work/pulses.mp3" 1 pulses

# The bright pixels' extent, in cells of 8 x 8: "left right top bottom cells-across cells-down".
extent() {
    local size
    size=$(ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=s=x:p=0 "$1")
    local across=$((${size%x*} / 8)) down=$((${size#*x} / 8))
    ffmpeg -v error -i "$1" -frames:v 1 -vf "format=gray,lut=y='if(gt(val,150),255,0)',scale=$across:$down:flags=area" \
        -f rawvideo - | od -An -tu1 -w1 -v |
        awk -v w="$across" -v h="$down" 'BEGIN { l = w; t = h; r = b = -1 }
            $1 > 0 { x = (NR - 1) % w; y = int((NR - 1) / w); if (x < l) l = x; if (x > r) r = x; if (y < t) t = y; if (y > b) b = y }
            END { print l, r, t, b, w, h }'
}
for preset in square:1080x1080 landscape:1920x1080 vertical:1080x1920 4k:3840x2160; do
    render "$work/$preset.mp4" "$work/pulses.mp3" --scene 8 --preset "${preset%:*}" --fps 5 --seconds 0.2 ||
        fail "the ${preset%:*} render failed"
    read -r left right top bottom across down < <(extent "$work/$preset.mp4")
    [[ "$((across * 8))x$((down * 8))" == "${preset#*:}" ]] || fail "--preset ${preset%:*} is not ${preset#*:}"
    wide=$((right - left)) high=$((bottom - top))
    shorter=$(( across < down ? across : down ))
    (( wide > shorter / 2 && wide - high <= 2 && high - wide <= 2 )) || fail "${preset%:*}: the rosette is $wide x $high cells"
    (( (left + right - across + 1) ** 2 <= 9 && (top + bottom - down + 1) ** 2 <= 9 )) ||
        fail "${preset%:*}: the rosette is off centre ($left-$right of $across, $top-$bottom of $down)"
done
echo "every preset its size, the rosette round and centred in each"
