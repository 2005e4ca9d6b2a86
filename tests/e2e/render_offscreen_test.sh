#!/usr/bin/env bash
# viz --render draws with no X server at all (EGL, no DISPLAY, no Xvfb to be
# found), and those frames are the very frames the private Xvfb draws when
# EGL gives nothing (libglvnd pointed at no vendor), which says so in one
# line. Scenes with cubes and stroke text, smoothed and not.
# Usage: render_offscreen_test.sh VIZ MAKE_TEST_SONG
set -euo pipefail
source "$(dirname "$0")/video_helpers.sh"
start_render_test "$1" "$2"

"$make_song" "$work/song.mp3" 1 pulses

# A PATH of the tools the render may run, Xvfb left out.
mkdir "$work/bin"
for tool in ffmpeg ffprobe; do
    found=$(command -v "$tool") && ln -s "$found" "$work/bin/$tool"
done

frames() { ffmpeg -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#'; }

for scene in 100 101 0 3; do
    for samples in 4 0; do
        what="scene $scene, --samples $samples"
        options=(--scene "$scene" --samples "$samples" --size 64x64 --fps 10 --seconds 0.5)
        env -u DISPLAY PATH="$work/bin" "$viz" --render "$work/egl.mkv" "$work/song.mp3" "${options[@]}" \
            2>"$work/err" || fail "$what: the render with no X server failed"
        [[ -s "$work/err" ]] && fail "$what: the render with EGL said something"
        env -u DISPLAY __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent \
            "$viz" --render "$work/xvfb.mkv" "$work/song.mp3" "${options[@]}" 2>"$work/err" ||
            fail "$what: the render on Xvfb failed"
        [[ $(wc -l <"$work/err") -eq 1 ]] && grep -q '^viz: no offscreen GL (EGL.*Xvfb' "$work/err" ||
            fail "$what: not one line saying the render fell back to Xvfb"
        [[ $(frames "$work/egl.mkv" | wc -l) -eq 5 ]] || fail "$what: not 5 frames"
        cmp -s <(frames "$work/egl.mkv") <(frames "$work/xvfb.mkv") ||
            fail "$what: EGL and Xvfb drew different frames"
    done
done
echo "EGL and Xvfb frames identical"
