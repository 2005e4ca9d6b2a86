#!/usr/bin/env bash
# A user's session with the real program: title, selection screen, songs
# stepped with the arrows and heard (the background follows the loudness),
# scene 0 with the next song named along the bottom, scene keys and clicks,
# and 'q'. Then a media folder with a bad file, and an empty one.
# Usage: session_test.sh VIZ MAKE_TEST_SONG
set -euo pipefail
viz_binary=$(realpath "$1")
make_song=$(realpath "$2")
work=$(mktemp -d)
pid=""
source "$(dirname "$0")/display_helpers.sh"
trap cleanup EXIT

# A program folder: the executable with a media folder beside it.
program_folder() {
    mkdir -p "$work/$1/media"
    ln -s "$viz_binary" "$work/$1/viz"
}

# --- three songs -----------------------------------------------------------
program_folder three
# Capitals and digits: no descenders below the baseline, ink nearly as wide as the advance.
touch "$work/three/media/"{NOON1,NOON2,NOON3}.mp3
# The song list is the walk in reverse: read the real listing order.
mapfile -t listed < <(ls -f "$work/three/media" | grep 'mp3$')
song0=${listed[2]} song1=${listed[1]} song2=${listed[0]}
"$make_song" "$work/three/media/$song0" 60 silence
"$make_song" "$work/three/media/$song1" 1.5 noise
"$make_song" "$work/three/media/$song2" 60 noise

start_viz "$work/three/viz"
sleep 1.5
credit_width() { read -r w _ _ _ <<<"$(content_box title 500 14 0 486)"; echo "$w"; }
shot_until title 5 eval '(($(credit_width) > 40))' ||
    fail "no credit line typed on the band ($(credit_width)px wide)"
# Left of the spinning arms and below the title letters.
is_black "$(background title 5 420)" || fail "title background is not black: $(background title 5 420)"
is_black "$(pixel title 5 495)" || fail "no black band at the bottom"

xdotool key Return
sleep 0.8
# The title's big white letters leave with the first frame of the selection.
shot_until selection 5 eval '! is_white "$(pixel selection 60 100)"' || fail "Enter did not lead to the selection"
is_black "$(background selection 210 40)" || fail "the first song is silent, yet the background is $(background selection 210 40)"
# The song's name in red, left so by the star field behind it.
read -r w h left top <<<"$(content_box selection 500 200 0 100 red)"
centre=$((left + w / 2))
((centre > 240 && centre < 260)) || fail "selection caption not centred (left $left, width $w)"
((w > 260 && w < 320)) || fail "selection caption not about 60 % of the width ($w px)"
((top + h > 140 && top + h < 152)) || fail "caption baseline not on the middle line (bottom at $((100 + top + h)))"

xdotool key Right
sleep 0.5
shot next
is_tinted "$(background next 210 40)" || fail "Right did not start the loud song: background $(background next 210 40)"
sleep 2
shot ended
is_black "$(background ended 210 40)" || fail "a song that ended on the selection screen was replaced: $(background ended 210 40)"

xdotool key Return
sleep 0.6
shot scene0
is_tinted "$(background scene0 210 40)" || fail "leaving the selection did not start the next song: $(background scene0 210 40)"
read -r w h _ _ <<<"$(content_box scene0 500 13 0 487)"
((w > 20)) || fail "the new song is not named along the bottom"

for key in 2 3 4 5 6 7 8; do
    xdotool key "$key"
    sleep 0.2
    alive
done
shot scene8
for _ in 1 2 3 4 5; do
    xdotool click 1
    sleep 0.15
done
xdotool key 1
sleep 0.3
alive
shot again
is_tinted "$(background again 210 40)" || fail "returning with '1' stopped the song"
quit_viz
grep -q "Can't create stream" "$work/stdout" && fail "a good song was reported as bad"

# --- signals while a song plays ---------------------------------------------
for signal in TERM INT HUP; do
    start_viz "$work/three/viz"
    xdotool key Return
    sleep 0.8
    alive
    signal_ends_viz "$signal"
done

# --- one bad file, deep in a folder named on the command line ---------------
mkdir -p "$work/mine/deep/er"
head -c 20000 < <(yes "this is not an mp3") >"$work/mine/deep/er/bad.mp3"
start_viz "$viz_binary" "$work/mine"
xdotool key Return
wait_for_output "Can't create stream" || fail "a bad file was not reported"
xdotool key Return
sleep 0.3
alive
quit_viz

# --- a folder of the user's, empty, named on the command line --------------
# With an X option before it, which freeglut takes.
mkdir "$work/no music"
start_viz "$viz_binary" -display "$DISPLAY" "$work/no music"
xdotool key Return
sleep 0.5
caption_width() { read -r w _ _ _ <<<"$(content_box empty 500 200 0 100 red)"; echo "$w"; }
shot_until empty 5 eval 'w=$(caption_width); ((w > 270 && w < 330))' ||
    fail "\"No MP3s found.\" not shown ($(caption_width) px wide)"
xdotool key Return
sleep 0.3
alive
quit_viz
grep -q "Can't" "$work/stdout" && fail "an empty folder printed $(cat "$work/stdout")"

echo "title, selection, steps, song end, scene keys, clicks, signals, bad file, empty folder and 'q' all behaved"
