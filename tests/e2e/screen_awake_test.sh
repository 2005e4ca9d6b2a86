#!/usr/bin/env bash
# The screen kept awake through the desktop's screen saver, on a private
# session bus with a stand-in service that logs each call: held once on
# entering fullscreen while a song plays, let go on leaving it and at `q`,
# also when the window manager's own key (or a pager) changes it;
# with no bus at all, one line says so and the show goes on.
# Usage: screen_awake_test.sh VIZ MAKE_TEST_SONG FAKE_SCREEN_SAVER WINDOW_STATE, under a window manager.
set -euo pipefail
viz=$1
work=$(mktemp -d)
pid=""
bus=""
service=""
source "$(dirname "$0")/display_helpers.sh"
stop_all() {
    [[ -n $service ]] && kill "$service" 2>/dev/null
    [[ -n $bus ]] && kill "$bus" 2>/dev/null
    cleanup
}
trap stop_all EXIT
export SDL_AUDIODRIVER=dummy  # real time without a sound server

mkdir "$work/music"
"$2" "$work/music/long.mp3" 60 sine 440

# (As root it cannot raise its file limit, and says so.)
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>/dev/null &
bus=$!
for _ in $(seq 1 50); do [[ -s "$work/bus" ]] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
"$3" >"$work/calls" &
service=$!
for _ in $(seq 1 50); do grep -q ready "$work/calls" && break; sleep 0.1; done
grep -q ready "$work/calls" || fail "the stand-in screen saver did not start"

# count WORD: how many calls of that method the service saw.
count() { grep -c "^$1 " "$work/calls" || true; }
# expect_calls INHIBITS UNINHIBITS: within 5 s.
expect_calls() {
    for _ in $(seq 1 50); do
        [[ "$(count Inhibit) $(count UnInhibit)" == "$1 $2" ]] && return 0
        sleep 0.1
    done
    fail "the screen saver saw $(count Inhibit) Inhibit and $(count UnInhibit) UnInhibit, not $1 and $2: $(cat "$work/calls")"
}
press() { xdotool key --window "$window" "$1"; }

start_viz "$viz" "$work/music"
press f
sleep 1
expect_calls 0 0  # fullscreen on the title: no music plays yet
press f
press Return  # the song selection: the first song plays
sleep 1
expect_calls 0 0  # a window, not fullscreen: the screen saver may come
press f
expect_calls 1 0
press F11
expect_calls 1 1
press f
sleep 1
expect_calls 2 1  # once, however many frames go by
# The window manager's own key, out of fullscreen and into it again.
"$4" "$window" remove _NET_WM_STATE_FULLSCREEN
expect_calls 2 2
"$4" "$window" add _NET_WM_STATE_FULLSCREEN
expect_calls 3 2
quit_viz
expect_calls 3 3
grep -q "^UnInhibit 3$" "$work/calls" || fail "the cookie let go of at quit is not the one held: $(cat "$work/calls")"
echo "held on entering fullscreen while playing, let go on leaving it, by viz's keys or the manager's, and at q: $(tr '\n' ';' <"$work/calls")"

# No session bus: one line, and fullscreen still works.
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus start_viz "$viz" "$work/music"
press Return
sleep 1  # the song starts with the selection screen's first frame, late in a sanitised build
press f
for _ in $(seq 1 50); do grep -q "session bus" "$work/stderr" && break; sleep 0.1; done
press f
sleep 0.5
press f
sleep 0.5
quit_viz
[[ $(grep -c "session bus" "$work/stderr") -eq 1 ]] || fail "not one line about the missing bus: $(cat "$work/stderr")"
echo "without a session bus: $(cat "$work/stderr")"
