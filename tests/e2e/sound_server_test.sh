#!/usr/bin/env bash
# The real program on a sound server (run it under scripts/with-sound-server):
# no sound-system message, one stream of the program's playing on the server
# while a song plays, the music drives the picture, song changes leave that
# one stream, and 'q' and SIGTERM leave none behind. Last, the server goes
# away mid-song: the song plays on, silently, its pulses still show, and it
# is heard on the server again within a second of its return, with one line
# for each; a server that starts after viz is used within two seconds.
# Usage: sound_server_test.sh VIZ MAKE_TEST_SONG
set -euo pipefail
viz_binary=$(realpath "$1")
make_song=$(realpath "$2")
work=$(mktemp -d)
pid=""
source "$(dirname "$0")/display_helpers.sh"
trap cleanup EXIT

mkdir "$work/music"
for name in one two three; do "$make_song" "$work/music/$name.mp3" 30 noise; done

# streams_of PID [playing]: how many streams the server holds for the process,
# or how many of them are not corked.
streams_of() {
    pactl list sink-inputs | awk -v pid="$1" -v only="${2:-}" '
        /^Sink Input #/ { corked = "" }
        /Corked: / { corked = $2 }
        $0 ~ "application.process.id = \"" pid "\"" { if (only == "" || corked == "no") n++ }
        END { print n + 0 }'
}

start_viz "$viz_binary" "$work/music"
xdotool key Return
sleep 1
[[ $(streams_of "$pid") -eq 1 ]] || fail "the server holds $(streams_of "$pid") streams of the program, not 1"
[[ $(streams_of "$pid" playing) -eq 1 ]] || fail "the program's stream is not playing"
shot playing
is_tinted "$(background playing 210 40)" || fail "the music does not drive the picture: $(background playing 210 40)"
for key in Right Right Left; do
    xdotool key "$key"
    sleep 0.3
done
[[ $(streams_of "$pid") -eq 1 ]] || fail "song changes left $(streams_of "$pid") streams"
old=$pid
quit_viz
[[ $(streams_of "$old") -eq 0 ]] || fail "'q' left a stream on the server"
[[ -s "$work/stdout" ]] && fail "on a sound server the program said: $(cat "$work/stdout")"

start_viz "$viz_binary" "$work/music"
xdotool key Return
sleep 1
old=$pid
signal_ends_viz TERM
sleep 0.2
[[ $(streams_of "$old") -eq 0 ]] || fail "SIGTERM left a stream on the server"

# Sanitizer builds (their options are set for them) run several times slower.
slowness=1
[[ -n ${TSAN_OPTIONS:-} || -n ${ASAN_OPTIONS:-} ]] && slowness=5

# tenths_until_playing PID: how long until the server plays a stream of
# the process, in tenths of a second, up to twenty seconds.
tenths_until_playing() {
    local tenths=0
    while [[ $(streams_of "$1" playing) -ne 1 ]] && ((tenths < 200)); do
        sleep 0.1
        tenths=$((tenths + 1))
    done
    echo "$tenths"
}

# --- the server goes away mid-song and comes back ----------------------------
mkdir "$work/pulses"
"$make_song" "$work/pulses/pulses.mp3" 30 pulses
start_viz "$viz_binary" "$work/pulses"
xdotool key Return
sleep 1
"$VIZ_SOUND_SERVER_CONTROL" stop
sleep 0.5
alive
# Half a second of noise, half of silence: the picture keeps pulsing.
tinted=0 black=0
for i in $(seq 1 12); do
    shot "orphaned$i"
    is_tinted "$(background "orphaned$i" 210 40)" && tinted=$((tinted + 1))
    is_black "$(background "orphaned$i" 210 40)" && black=$((black + 1))
    sleep 0.1
done
((tinted > 0 && black > 0)) || fail "with the server gone the picture stopped following the song ($tinted tinted, $black black shots)"
"$VIZ_SOUND_SERVER_CONTROL" start "$VIZ_SOUND_SERVER"
back=$(tenths_until_playing "$pid")
echo "heard again $((back * 100)) ms after the server answered"
((back <= 10 * slowness)) || fail "the song was not heard on the server again within a second ($((back * 100)) ms)"
[[ $(grep -c 'server went away' "$work/stderr") -eq 1 && $(grep -c 'server is back' "$work/stderr") -eq 1 ]] ||
    fail "not one line for the loss and one for the return"
quit_viz

# --- a server that starts after viz is used at once ---------------------------
"$VIZ_SOUND_SERVER_CONTROL" stop
start_viz "$viz_binary" "$work/pulses"
xdotool key Return
sleep 1
alive
"$VIZ_SOUND_SERVER_CONTROL" start "$VIZ_SOUND_SERVER"
late=$(tenths_until_playing "$pid")
echo "a late server used $((late * 100)) ms after it answered"
((late <= 20 * slowness)) || fail "a server that came after viz was not used within two seconds ($((late * 100)) ms)"
quit_viz

echo "one playing stream on the server, the picture following it, none left after q or SIGTERM; the song plays on when the server goes, is heard again within a second when it comes back, and a late server is used"
