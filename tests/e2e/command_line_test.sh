#!/usr/bin/env bash
# The command line as a user meets it, with no display at all: help, the
# version and mistakes are answered before any window is tried, and the
# missing display is told in one line that names --render.
# Usage: command_line_test.sh VIZ
set -euo pipefail
viz=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/music"
touch "$work/file"

# check STATUS STREAM PATTERN ARGS...: viz ARGS exits with STATUS and prints
# a line matching PATTERN on STREAM (out or err), nothing on the other.
check() {
    local expected=$1 stream=$2 pattern=$3 status=0
    shift 3
    env -u DISPLAY "$viz" "$@" >"$work/out" 2>"$work/err" || status=$?
    local other=err
    [[ $stream == err ]] && other=out
    if [[ $status -ne $expected ]] || ! grep -Eq -- "$pattern" "$work/$stream" || [[ -s "$work/$other" ]]; then
        echo "FAILED: viz $* exited $status (wanted $expected) with"
        echo "--- stdout:"; cat "$work/out"; echo "--- stderr:"; cat "$work/err"
        exit 1
    fi
}

check 0 out '^Usage: viz \[FOLDER or SONG\]\.\.\.$' --help
check 0 out '^  q +quit$' -h
check 0 out '^viz [0-9]+\.[0-9]+\.[0-9]+$' --version
check 2 err "^viz: unknown option '--volume'$" --volume
check 2 err '^Usage: viz \[FOLDER or SONG\]\.\.\.$' --volume
check 2 err "^viz: cannot open '$work/missing': No such file or directory$" "$work/missing"
check 2 err "^viz: '$work/file' is neither a folder nor a song viz plays$" "$work/music" "$work/file"
check 1 err "^viz: no display to open the window on; viz --render OUT SONG makes a video without one$" "$work/music"
check 1 err "^viz: no display to open the window on \(':77'\); viz --render" -display :77 "$work/music"
# A settings file's mistake is named by file and line, before any window.
mkdir -p "$work/config/viz"
printf 'fullscreen\nsamples=64\n' >"$work/config/viz/viz.conf"
export XDG_CONFIG_HOME=$work/config
check 2 err "^viz: $work/config/viz/viz.conf:2: --samples takes 0 to 32 samples a pixel, not '64'$" "$work/music"
check 1 err "^viz: no display to open the window on" --no-config "$work/music"
unset XDG_CONFIG_HOME

# A Wayland session without Xwayland has no desktop background of X11's to be.
check 2 err "^viz: --background draws behind the windows of an X11 desktop, and this session has none$" \
    --background "$work/music"

echo "help, version, bad options, bad folders and the missing display all answered as they should"
