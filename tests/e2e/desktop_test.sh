#!/usr/bin/env bash
# The window on a desktop of two monitors side by side, under a real window
# manager: fullscreen by key and by option on the monitor asked for, and the
# desktop's background, kept below the other windows.
# Usage: desktop_test.sh VIZ CURSOR_SHOWN, on a private display of 2560x1024;
# it runs itself again under the window manager, as desktop_test.sh --managed ...
set -euo pipefail
managed=false
[[ $1 == --managed ]] && { managed=true; shift; }
viz=$1
cursor_shown=$2
work=$(mktemp -d)
pid=""
source "$(dirname "$0")/display_helpers.sh"
trap cleanup EXIT
export SDL_AUDIODRIVER=dummy  # real time without a sound server

# window_state: the window's _NET_WM_STATE and _NET_WM_WINDOW_TYPE atoms.
window_state() { xprop -id "$window" _NET_WM_STATE _NET_WM_WINDOW_TYPE; }

# expect_geometry "X Y W H" SECONDS: the window's place, once it has settled.
expect_geometry() {
    local got=""
    for _ in $(seq 1 $(($2 * 10))); do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        got="$X $Y $WIDTH $HEIGHT"
        [[ $got == "$1" ]] && return 0
        sleep 0.1
    done
    fail "the window is at '$got', not '$1'; $(window_state)"
}

# expect_on_right: a 500x500 window, all on the right monitor.
expect_on_right() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    ((X >= 1280 && X + WIDTH <= 2560 && WIDTH == 500 && HEIGHT == 500)) ||
        fail "the window is at $X,$Y ${WIDTH}x$HEIGHT, not a 500x500 one on the right monitor"
}

launch() { launch_viz "$viz" "$@"; }

press() { xdotool key --window "$window" "$1"; }

if ! $managed; then
    # Two monitors, as a desk with a second screen has them.
    xrandr --setmonitor LEFT 1280/340x1024/270+0+0 screen >/dev/null
    xrandr --setmonitor RIGHT 1280/340x1024/270+1280+0 none >/dev/null
    [[ $(xrandr --listmonitors | head -n 1) == "Monitors: 2" ]] || fail "the display has no two monitors"

    # No window manager yet: the background cannot be kept below anything.
    launch --background
    grep -q "viz shows a normal window" "$work/stderr" || fail "no word that the background fell back"
    expect_geometry "$((640 - 250)) $((512 - 250)) 500 500" 5
    quit_viz
    echo "without a window manager, --background said so and showed a normal window"
    exec "$(dirname "$0")/../../scripts/with-window-manager" bash "$0" --managed "$viz" "$cursor_shown"
fi

# f and F11 toggle fullscreen on the monitor the window is on; Escape leaves it.
launch --monitor 1
expect_on_right
eval "$(xdotool getwindowgeometry --shell "$window")"
before="$X $Y $WIDTH $HEIGHT"
for keys in "f f" "F11 Escape"; do
    read -r enter leave <<<"$keys"
    press "$enter"
    expect_geometry "1280 0 1280 1024" 5
    window_state | grep -q _NET_WM_STATE_FULLSCREEN || fail "'$enter': not the manager's fullscreen: $(window_state)"
    press "$leave"
    expect_geometry "$before" 5
    window_state | grep -q _NET_WM_STATE_FULLSCREEN && fail "'$leave' left the fullscreen state on"
done
quit_viz
echo "--monitor 1 opened on the right monitor; f, F11, Escape went fullscreen on it and back"

launch --fullscreen --monitor LEFT
expect_geometry "0 0 1280 1024" 5
# The pointer goes after 2 s still, and comes back at the first move.
xdotool mousemove 600 500
sleep 1
"$cursor_shown" || fail "the pointer went before 2 s"
sleep 1.5
"$cursor_shown" && fail "the pointer still shows after 2.5 s still in fullscreen"
xdotool mousemove 610 500
sleep 0.3
"$cursor_shown" || fail "the pointer did not come back when moved"
quit_viz
echo "--fullscreen --monitor LEFT covered the left monitor; the pointer hid after 2 s still and came back"

# The background: a desktop window over the monitor, below a window raised over it.
launch --background --monitor RIGHT
expect_geometry "1280 0 1280 1024" 5
window_state | grep -q _NET_WM_WINDOW_TYPE_DESKTOP || fail "not a desktop window: $(window_state)"
# (With no session bus here, the one line that says so is expected.)
grep -v "no session bus" "$work/stderr" | grep -q . && fail "the background said something: $(cat "$work/stderr")"
xlogo -geometry 300x300+1400+100 &
other=$!
for _ in $(seq 1 50); do
    xdotool search --onlyvisible --pid "$other" >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool windowraise "$window"
sleep 0.5
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
lowest=$(awk '{ print $1 }' <<<"$stacking")
kill "$other"
((lowest == window)) || fail "the background is not lowest: stacking $stacking, viz $(printf '0x%x' "$window")"
# A click on the desktop gives it the keys, as a desktop's own background does;
# the background never goes fullscreen over the other windows.
xdotool mousemove 2300 800 click 1
press f
sleep 0.5
window_state | grep -q _NET_WM_STATE_FULLSCREEN && fail "'f' made the background fullscreen"
quit_viz
echo "--background: a desktop window over the right monitor, lowest below a raised window"
