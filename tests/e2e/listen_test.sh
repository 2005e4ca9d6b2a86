#!/usr/bin/env bash
# `viz --listen` on a sound server (run it under scripts/with-sound-server):
# another program plays noise, and the picture follows it; viz holds a
# capture of the default output's monitor and no stream of its own; the
# selection screen names what is listened to, and Right steps to another
# output's monitor; 'q' leaves nothing behind; a mistyped source is told.
# Usage: listen_test.sh VIZ
set -euo pipefail
viz_binary=$(realpath "$1")
work=$(mktemp -d)
pid=""
player=""
source "$(dirname "$0")/display_helpers.sh"
trap 'cleanup; [[ -n $player ]] && kill "$player" 2>/dev/null; true' EXIT

# entries_of KIND PID: the server's sink inputs or source outputs of a process.
entries_of() {
    pactl list "$1" | grep -c "application.process.id = \"$2\"" || true
}

# Ten seconds of loud noise on the default output, from another program.
head -c $((44100 * 4 * 10)) /dev/urandom >"$work/noise.raw"
pacat --raw --format=s16le --rate=44100 --channels=2 "$work/noise.raw" &
player=$!

loud() { is_tinted "$(background heard 210 40)"; }
start_viz "$viz_binary" --listen
shot_until heard 10 loud || fail "the picture does not follow what the desktop plays: $(background heard 210 40)"
[[ $(entries_of source-outputs "$pid") -eq 1 ]] || fail "viz does not capture one source"
[[ $(entries_of sink-inputs "$pid") -eq 0 ]] || fail "viz plays a stream of its own while listening"

# The selection screen, once the noise is over: the monitor's description,
# large, in red on black.
kill "$player"
player=""
xdotool key Return
sleep 1
shot selection
read -r w _ _ _ <<<"$(content_box selection 500 200 0 100 red)"
((w > 100)) || fail "the selection screen names nothing (caption $w pixels wide)"

# Another output, and Right: its monitor is named instead.
pactl load-module module-null-sink sink_name=other sink_properties=device.description=other >/dev/null
sleep 0.5
xdotool key Right
renamed() {
    changed=$(compare -metric AE -fuzz 10% "$work/selection.png[500x200+0+100]" "$work/stepped.png[500x200+0+100]" null: 2>&1 || true)
    ((${changed%% *} > 200))
}
shot_until stepped 5 renamed || fail "Right does not step to the other output ($changed pixels changed)"
[[ $(pactl list source-outputs | grep -c "Source: $(pactl list short sources | awk '$2 == "other.monitor" { print $1 }')$") -eq 1 ]] ||
    fail "Right does not capture the other output's monitor"

old=$pid
quit_viz
[[ $(entries_of source-outputs "$old") -eq 0 ]] || fail "'q' left a capture on the server"
[[ -s "$work/stdout" ]] && fail "listening, the program said: $(cat "$work/stdout")"

# A mistyped source: one line that names it and what the server has.
start_viz "$viz_binary" --listen=typo.monitor
for _ in $(seq 1 50); do grep -q "typo" "$work/stderr" && break; sleep 0.1; done
grep -q "^viz: no source 'typo.monitor' on the sound server.*: .*speaker.monitor" "$work/stderr" ||
    fail "a mistyped source is not told with the server's sources"
[[ $(wc -l <"$work/stderr") -eq 1 ]] || fail "a mistyped source is told more than once"
quit_viz
echo "listening: the picture follows another program's sound"
