#!/usr/bin/env bash
# Starts the real program, finds its window by title, checks its size and
# takes a screenshot of it.
set -euo pipefail
viz="$1"
work=$(mktemp -d)
"$viz" >"$work/stdout" 2>"$work/stderr" &
pid=$!
finish() {
    local status=$?
    if [[ $status -ne 0 ]]; then
        echo "--- viz stderr:"; cat "$work/stderr"
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; echo "viz exited with status $?"; }
    fi
    kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

# By process too: other programs on this display may open ":]" windows.
window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^:\]$' 2>/dev/null | head -n 1) || true
    [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || { echo "no window titled ':]'"; exit 1; }

title=$(xdotool getwindowname "$window")
[[ "$title" == ":]" ]] || { echo "title is '$title'"; exit 1; }

eval "$(xdotool getwindowgeometry --shell "$window")"
[[ "$WIDTH" == 500 && "$HEIGHT" == 500 ]] || { echo "size is ${WIDTH}x$HEIGHT"; exit 1; }

# With no window manager the window sits at (-1, -1), one pixel off screen.
xdotool windowmove --sync "$window" 0 0
sleep 0.5
xwd -silent -id "$window" | convert xwd:- "$work/shot.png"
size=$(identify -format '%wx%h' "$work/shot.png")
[[ "$size" == "500x500" ]] || { echo "screenshot is $size"; exit 1; }

kill -0 "$pid" || { echo "viz exited early"; cat "$work/stderr"; exit 1; }
echo "window ':]' 500x500 shown and captured"
