#!/usr/bin/env bash
# Seven minutes of random use of the real program on a sound server: keys,
# clicks and pointer moves, its stream moved between sinks, the server
# stopped and started again a minute and a half in. Every ten seconds: the
# program's memory, threads and descriptors and its streams on the server.
# It passes when all three are flat after the first minute (memory within
# 10 %, threads and descriptors within 2) and the program has one stream on
# the server at every check after the restart.
# Run under scripts/with-display and scripts/with-sound-server (make soak).
# Usage: soak.sh VIZ MAKE_TEST_SONG [SECONDS]
set -euo pipefail
viz_binary=$(realpath "$1")
make_song=$(realpath "$2")
seconds=${3:-420}
work=$(mktemp -d)
pid=""
source "$(dirname "$0")/../tests/e2e/display_helpers.sh"
trap cleanup EXIT

mkdir "$work/music"
for i in 1 2 3 4; do "$make_song" "$work/music/song$i.mp3" 40 pulses; done
head -c 30000 /dev/urandom >"$work/music/damaged.mp3"
for sink in left right; do pactl load-module module-null-sink sink_name=$sink >/dev/null; done

streams_of() {
    pactl list sink-inputs 2>/dev/null | grep -c "application.process.id = \"$1\"" || true
}
status_of() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$pid/status"; }

start_viz "$viz_binary" "$work/music"
xdotool key Return
sleep 0.5
xdotool key Return
keys=(Left Right Left Right 1 2 3 4 5 6 7 8 Return)
sinks=(left right speaker)
start=$(date +%s)
next_check=$start
restarted=0
failed=0
baseline=""
printf "%6s %9s %8s %12s %8s\n" seconds "rss KB" threads descriptors streams
while (($(date +%s) - start < seconds)); do
    now=$(date +%s)
    case $((RANDOM % 4)) in
        0) xdotool key "${keys[RANDOM % ${#keys[@]}]}" ;;
        1) xdotool click 1 ;;
        2) xdotool mousemove --window "$window" $((RANDOM % 500)) $((RANDOM % 500)) ;;
        3) index=$(pactl list sink-inputs 2>/dev/null | awk -v pid="$pid" '/^Sink Input #/ { n = substr($3, 2) } $0 ~ "application.process.id = \"" pid "\"" { print n; exit }')
           [[ -n $index ]] && pactl move-sink-input "$index" "${sinks[RANDOM % 3]}" 2>/dev/null || true ;;
    esac
    if ((restarted == 0 && now - start >= 90)); then
        "$VIZ_SOUND_SERVER_CONTROL" stop
        sleep 1
        "$VIZ_SOUND_SERVER_CONTROL" start "$VIZ_SOUND_SERVER"
        for sink in left right; do pactl load-module module-null-sink sink_name=$sink >/dev/null; done
        restarted=$now
    fi
    if ((now >= next_check)); then
        alive
        rss=$(status_of VmRSS)
        threads=$(status_of Threads)
        descriptors=$(ls "/proc/$pid/fd" | wc -l)
        streams=$(streams_of "$pid")
        printf "%6d %9d %8d %12d %8d\n" $((now - start)) "$rss" "$threads" "$descriptors" "$streams"
        if ((now - start >= 60)); then
            [[ -z $baseline ]] && baseline="$rss $threads $descriptors"
            read -r rss0 threads0 descriptors0 <<<"$baseline"
            ((rss <= rss0 * 11 / 10 && threads <= threads0 + 2 && descriptors <= descriptors0 + 2)) ||
                { echo "  grew since the first minute ($baseline)"; failed=1; }
        fi
        if ((restarted > 0 && now - restarted >= 2 && streams != 1)); then
            echo "  $streams streams on the server after the restart"
            failed=1
        fi
        next_check=$((next_check + 10))
    fi
    sleep 0.$((RANDOM % 3 + 1))
done
quit_viz
((failed == 0)) && echo "flat in memory, threads and descriptors; one stream at every check after the restart"
exit $failed
