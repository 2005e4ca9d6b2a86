# Helpers for driving the real program under X with xdotool and reading its
# window's pixels. Source this file; call start_viz first.

# launch_viz EXECUTABLE [ARGUMENTS...]: runs it with its output in $work, sets
# $pid and $window, and gives the window the pointer and the keys. A
# script's background job ignores Ctrl+C; this one takes it as in a terminal.
launch_viz() {
    env --default-signal=INT "$@" >"$work/stdout" 2>"$work/stderr" &
    pid=$!
    window=""
    for _ in $(seq 1 100); do
        # By process too: other programs on this display may open ":]" windows.
        window=$(xdotool search --onlyvisible --pid "$pid" --name '^:\]$' 2>/dev/null | head -n 1) || true
        [[ -n "$window" ]] && break
        sleep 0.1
    done
    [[ -n "$window" ]] || fail "no window titled ':]'"
    # Input goes to the window under the pointer.
    xdotool mousemove --window "$window" 250 250
    xdotool windowfocus "$window" 2>/dev/null || true
}

# start_viz EXECUTABLE [ARGUMENTS...]: launch_viz, the window at the screen's corner.
start_viz() {
    launch_viz "$@"
    # With no window manager the window sits at (-1, -1), one pixel off screen.
    xdotool windowmove --sync "$window" 0 0
    xdotool mousemove --window "$window" 250 250
}

fail() {
    echo "FAILED: $*"
    [[ -f "$work/stdout" ]] && { echo "--- viz stdout:"; cat "$work/stdout"; echo; }
    [[ -f "$work/stderr" ]] && { echo "--- viz stderr:"; cat "$work/stderr"; }
    exit 1
}

# shot NAME: a PNG of the window in $work/NAME.png.
shot() {
    xwd -silent -id "$window" | convert xwd:- "$work/$1.png"
}

# pixel NAME X Y: "R G B" (0-255) of a screenshot, y from the top.
pixel() {
    convert "$work/$1.png" -crop "1x1+$2+$3" -depth 8 txt:- |
        sed -n 's/.*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | head -n 1 |
        awk '{ printf "%d %d %d\n", $1, $2, $3 }'
}

# background NAME X Y: the mean "R G B" of the 80 x 40 pixels at (X, Y), so
# a star or two does not hide the colour behind them.
background() {
    convert "$work/$1.png" -crop "80x40+$2+$3" +repage -scale '1x1!' -depth 8 txt:- |
        sed -n 's/.*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | head -n 1 |
        awk '{ printf "%d %d %d\n", $1, $2, $3 }'
}

# shot_until NAME SECONDS TEST...: takes shot NAME until the command TEST
# succeeds, for up to SECONDS; a slow build (sanitizers) may need the time.
shot_until() {
    local name=$1 seconds=$2
    shift 2
    for _ in $(seq 1 $((seconds * 10))); do
        shot "$name"
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

is_white() { read -r r g b <<<"$1"; ((r > 220 && g > 220 && b > 220)); }
is_black() { read -r r g b <<<"$1"; ((r < 30 && g < 30 && b < 30)); }
# The clear colour of a loud song: red and blue twice the green.
is_tinted() { read -r r g b <<<"$1"; ((r > 60 && g > 25 && b > 60 && r > g + 20)); }

# content_box NAME W H X Y [COLOUR]: "width height left top" of what differs
# from the region's corner colour inside the W x H region at (X, Y); with a
# COLOUR, of the pixels of that colour only.
content_box() {
    local only=()
    [[ $# -ge 6 ]] && only=(-fill black -fuzz 25% +opaque "$6")
    convert "$work/$1.png" -crop "$2x$3+$4+$5" +repage "${only[@]}" -fuzz 15% -trim \
        -format '%w %h %X %Y' info: | tr -d '+'
}

# quit_viz: 'q' must end the process with status 0.
quit_viz() {
    xdotool key q
    local status=0
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "'q' did not end the program"
    wait "$pid" || status=$?
    [[ $status -eq 0 ]] || fail "'q' ended the program with status $status"
    pid=""
}

# wait_for_output TEXT [SECONDS]: true once the program has printed TEXT.
wait_for_output() {
    for _ in $(seq 1 $(( ${2:-5} * 20 ))); do
        grep -q "$1" "$work/stdout" && return 0
        sleep 0.05
    done
    return 1
}

# signal_ends_viz SIGNAL: the signal must end the program within half a second.
signal_ends_viz() {
    kill -"$1" "$pid"
    for _ in $(seq 1 10); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$pid" 2>/dev/null && fail "SIG$1 did not end the program within 0.5 s"
    wait "$pid" 2>/dev/null || true
    pid=""
}

alive() {
    kill -0 "$pid" 2>/dev/null || fail "viz is no longer running"
}

cleanup() {
    [[ -n "${pid:-}" ]] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
