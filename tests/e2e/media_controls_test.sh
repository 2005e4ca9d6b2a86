#!/usr/bin/env bash
# The desktop's media controls, as playerctl drives them on a private session
# bus: viz is listed with the song's tags and cover art, and next, previous,
# play-pause, position and volume act (the volume on the sound server's own
# stream, which a mixer's change shows in). An automatic advance is
# signalled to the desktop like any change.
# Usage: media_controls_test.sh VIZ, under a display and a sound server.
set -euo pipefail
viz=$1
work=$(mktemp -d)
pid=""
bus=""
follower=""
source "$(dirname "$0")/display_helpers.sh"
stop_all() {
    [[ -n $follower ]] && kill "$follower" 2>/dev/null
    [[ -n $bus ]] && kill "$bus" 2>/dev/null
    cleanup
}
trap stop_all EXIT
export XDG_CACHE_HOME=$work/cache

# song FILE SECONDS HZ TITLE: an MP3 tagged with TITLE, an artist, an album
# and a cover picture of our own.
convert -size 16x16 xc:'#3060c0' "$work/cover.png"
song() {
    ffmpeg -v error -y -f lavfi -i "sine=frequency=$3:duration=$2" -ac 2 -ar 44100 "$work/source.wav"
    lame --quiet --tt "$4" --ta "The Testers" --tl "Signals" --ti "$work/cover.png" "$work/source.wav" "$1"
}
mkdir "$work/music"
song "$work/music/1 short.mp3" 4 440 "Short One"
song "$work/music/2 long.mp3" 40 660 "Long Two"

dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>/dev/null &
bus=$!
for _ in $(seq 1 50); do [[ -s "$work/bus" ]] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")

ctl() { playerctl --player=viz "$@" 2>/dev/null || true; }
# until_says EXPECTED COMMAND...: within 10 s (a sanitised build is slow),
# the command prints EXPECTED.
until_says() {
    local expected=$1 said=""
    shift
    for _ in $(seq 1 100); do
        said=$("$@")
        [[ $said == "$expected" ]] && return 0
        sleep 0.1
    done
    fail "'$*' said '$said', not '$expected'"
}

start_viz "$viz" --order name "$work/music"
xdotool key Return  # the song selection: the first song plays
until_says Playing ctl status
xdotool key Return  # scene 0, where songs follow each other
# Every change of song is told, the automatic advance too.
playerctl --player=viz --follow metadata xesam:title >"$work/titles" 2>/dev/null &
follower=$!
until_says "Long Two" ctl metadata xesam:title
grep -qx "Long Two" "$work/titles" || fail "no signal for the automatic advance: $(cat "$work/titles")"
echo "automatic advance signalled: $(tr '\n' ';' <"$work/titles")"

ctl metadata >"$work/metadata"
cat "$work/metadata"
grep -q "xesam:artist *The Testers" "$work/metadata" || fail "no artist"
grep -q "xesam:album *Signals" "$work/metadata" || fail "no album"
length=$(ctl metadata mpris:length)
((length > 39000000 && length < 41000000)) || fail "mpris:length $length, not 40 s"
art=$(ctl metadata mpris:artUrl)
[[ $art == file://$XDG_CACHE_HOME/* ]] || fail "cover art at '$art', not in the cache folder"
cmp "${art#file://}" "$work/cover.png" || fail "the cover art written is not the song's"

ctl play-pause
until_says Paused ctl status
ctl play-pause
until_says Playing ctl status
ctl position 20
position=$(ctl position)
awk -v p="$position" 'BEGIN { exit !(p >= 19.9 && p < 21.5) }' || fail "position $position after 'position 20'"
ctl volume 0.5
until_says 0.500000 ctl volume
pactl list sink-inputs | grep -q "Volume:.* 50% " || fail "the server's volume for the stream: $(pactl list sink-inputs | grep Volume:)"
# A mixer's change is what the desktop reads next (a quarter of full: 16384).
stream=$(pactl list sink-inputs | awk '/^Sink Input #/ { at = substr($3, 2) } /application.name = "viz"/ { print at; exit }')
pactl set-sink-input-volume "$stream" 16384
until_says 0.250000 ctl volume
ctl previous
until_says "Short One" ctl metadata xesam:title
ctl next
until_says "Long Two" ctl metadata xesam:title
echo "play-pause, position 20, volume 0.5 (and a mixer's 0.25 read back), previous and next acted"
quit_viz

# Listening, viz is not the player.
start_viz "$viz" --listen
sleep 1
playerctl -l 2>/dev/null | grep -q viz && fail "listed while listening"
quit_viz
