#!/usr/bin/env bash
# viz --render keeps the user's files safe: nothing half-written is left by
# Ctrl+C, kill or a closed terminal (an earlier video stays as it was), a
# partial file left by a render killed outright goes with the next render of
# the same name, the song is never written over, a playlist inside an .mp3
# brings in no other file, and songs a player could not take are refused in
# one line. Lengths past the song's end and a song that shrinks while it is
# rendered make whole videos; a song followed by a gigabyte of zeros and a
# 100 GB song rendered in part take the song's time and bounded memory. Where
# EGL cannot draw (libglvnd pointed at no vendor), a slow virtual display is
# waited for and a killed render's goes with it.
# Usage: render_safety_test.sh VIZ MAKE_TEST_SONG
set -euo pipefail
viz=$(realpath "$1")
make_song=$(realpath "$2")
work=$(mktemp -d)
source "$(dirname "$0")/video_helpers.sh"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; [[ -f "$work/err" ]] && cat "$work/err"; exit 1; }
render() { env -u DISPLAY "$viz" --render "$@" 2>"$work/err"; }
partials() { compgen -G "$work/$1.partial-*" || true; }
audio_packets() { ffprobe -v error -select_streams a -show_entries packet=data_hash -show_data_hash md5 "$1" | grep -o 'MD5:[0-9a-f]*'; }

"$make_song" "$work/song.mp3" 3 pulses
"$make_song" "$work/long.mp3" 20 noise

# --- signals: the partial file goes, the earlier video stays -----------------
render "$work/video.mp4" "$work/song.mp3" --size 32x32 || fail "the first render failed"
earlier=$(md5sum <"$work/video.mp4")
for signal in INT TERM HUP; do
    env --default-signal=INT "$viz" --render "$work/video.mp4" "$work/long.mp3" --size 480x480 2>/dev/null &
    pid=$!
    for ((tries = 0; tries < 200; ++tries)); do [[ -n $(partials video.mp4) ]] && break; sleep 0.05; done
    [[ -n $(partials video.mp4) ]] || fail "no partial file appeared"
    kill -s "$signal" "$pid"
    status=0
    wait "$pid" 2>/dev/null || status=$?
    ((status == 128 + $(kill -l "$signal"))) || fail "SIG$signal mid-render: exit $status"
    [[ -z $(partials video.mp4) ]] || fail "SIG$signal left $(partials video.mp4)"
    [[ $(md5sum <"$work/video.mp4") == "$earlier" ]] || fail "SIG$signal changed the earlier video"
done

# --- killed outright: the next render of the same name takes the partial away
env -u DISPLAY __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent "$viz" --render "$work/killed.mkv" "$work/long.mp3" --size 480x480 2>/dev/null &
pid=$!
for ((tries = 0; tries < 200; ++tries)); do [[ -n $(partials killed.mkv) ]] && break; sleep 0.05; done
# Its private X server goes with it.
for ((tries = 0; tries < 200; ++tries)); do display=$(pgrep -P "$pid" -x Xvfb) && break; sleep 0.05; done
[[ -n ${display:-} ]] || fail "no private X server seen"
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
[[ -n $(partials killed.mkv) ]] || fail "SIGKILL left no partial file to clean up"
for ((tries = 0; tries < 40; ++tries)); do kill -0 "$display" 2>/dev/null || break; sleep 0.05; done
kill -0 "$display" 2>/dev/null && fail "the private X server outlived a killed render"
render "$work/killed.mkv" "$work/song.mp3" --size 32x32 --seconds 1 || fail "the render after a kill failed"
[[ -z $(partials killed.mkv) ]] || fail "the next render left $(partials killed.mkv)"

# --- the song itself is never the output -------------------------------------
cp "$work/song.mp3" "$work/own.mp3"
ln -s own.mp3 "$work/link.mp4"
for out in own.mp3 link.mp4; do
    status=0
    render "$work/$out" "$work/own.mp3" || status=$?
    ((status == 2)) && [[ $(wc -l <"$work/err") -eq 1 ]] || fail "OUT = SONG ($out): exit $status"
    cmp -s "$work/own.mp3" "$work/song.mp3" || fail "OUT = SONG ($out) changed the song"
done

# --- a playlist inside an .mp3 pulls in no other file ------------------------
"$make_song" "$work/secret.mp3" 3 sine 880
{ printf '#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:3,\nsecret.mp3\n#EXT-X-ENDLIST\n'; cat "$work/song.mp3"; } \
    >"$work/playlist.mp3"
render "$work/playlist.mp4" "$work/playlist.mp3" --size 32x32 || fail "the render of the playlist file failed"
cmp -s <(audio_packets "$work/song.mp3") <(audio_packets "$work/playlist.mp4") ||
    fail "the sound is not the frames inside the file"

# --- past the song's end, and a song that shrinks: whole videos --------------
frames() { ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$1"; }
render "$work/past.mp4" "$work/song.mp3" --size 32x32 --fps 30 --seconds 5 || fail "--seconds past the end failed"
[[ $(frames "$work/past.mp4") == 150 ]] || fail "5 s at 30 fps past a 3 s song is not 150 frames"
cp "$work/long.mp3" "$work/shrinking.mp3"
env -u DISPLAY "$viz" --render "$work/shrinking.mkv" "$work/shrinking.mp3" --size 64x64 --fps 10 2>"$work/err" &
pid=$!
for ((tries = 0; tries < 200; ++tries)); do [[ -n $(partials shrinking.mkv) ]] && break; sleep 0.05; done
truncate -s 50000 "$work/shrinking.mp3"
wait "$pid" || fail "a song that shrank mid-render: exit $?"
[[ $(frames "$work/shrinking.mkv") == 200 ]] || fail "the video of a song that shrank is not its 20 s at 10 fps"

# --- a virtual display slower than an idle machine's, and one that dies -----
mkdir "$work/slow" "$work/dead"
printf '#!/bin/sh\nsleep 11\nexec %s "$@"\n' "$(command -v Xvfb)" >"$work/slow/Xvfb"
printf '#!/bin/sh\nexit 1\n' >"$work/dead/Xvfb"
chmod +x "$work/slow/Xvfb" "$work/dead/Xvfb"
PATH="$work/slow:$PATH" __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent render "$work/slow.mp4" "$work/song.mp3" --size 32x32 --seconds 1 ||
    fail "a virtual display that took 11 s to start"
status=0
PATH="$work/dead:$PATH" __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent render "$work/dead.mp4" "$work/song.mp3" --size 32x32 || status=$?
((status != 0)) && grep -q 'ended before it took clients' "$work/err" || fail "a dead virtual display: exit $status"

# --- a FLAC followed by a gigabyte of zeros (space reserved, never written) ---
# The video holds the song's own length, made in bounded memory.
ffmpeg -v error -f lavfi -i sine=frequency=440:duration=6 -fflags +bitexact -ac 2 "$work/six.wav"
flac --silent -o "$work/padded.flac" "$work/six.wav"
truncate -s 1G "$work/padded.flac"
env -u DISPLAY "$viz" --render "$work/padded.mkv" "$work/padded.flac" --size 32x32 --fps 10 2>"$work/err" &
pid=$!
peak=0
while kill -0 "$pid" 2>/dev/null; do
    kilobytes=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    ((${kilobytes:-0} > peak)) && peak=$kilobytes
    sleep 0.02
done
wait "$pid" || fail "a FLAC followed by a gigabyte of zeros: exit $?"
[[ $(frames "$work/padded.mkv") == 60 && $(sound_seconds "$work/padded.mkv") == 6.000 ]] ||
    fail "the FLAC followed by zeros did not make its 6 s of pictures and sound"
((peak > 0 && peak < 600000)) || fail "rendering the FLAC followed by zeros took $peak KB at its peak"

# --- two seconds of a 100 GB WAV: those are all that is read -----------------
# Its writer left the sizes unfilled (all ones): the sound runs to the end.
printf 'RIFF\xff\xff\xff\xffWAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data\xff\xff\xff\xff' \
    >"$work/endless.wav"
truncate -s 100G "$work/endless.wav"
timeout 60 env -u DISPLAY "$viz" --render "$work/endless.mkv" "$work/endless.wav" --size 32x32 --fps 10 \
    --seconds 2 2>"$work/err" || fail "2 s of a 100 GB WAV: exit $? (124: not within a minute)"
heard=$(sound_seconds "$work/endless.mkv")
[[ $(frames "$work/endless.mkv") == 20 ]] && awk -v s="$heard" 'BEGIN { exit !(s >= 2 && s < 2.05) }' ||
    fail "2 s of a 100 GB WAV at 10 fps is not 20 frames and 2 s of sound ($heard s)"

# --- songs a video player could not take: one line, nothing written ----------
"$make_song" "$work/low.mp3" 2 noise --rate 8000 --mono
"$make_song" "$work/free.mp3" 2 noise --free-format
refused() {
    local status=0 out=$1 why=$2
    render "$work/$out" "$work/$3" --size 32x32 || status=$?
    ((status == 2)) && [[ $(wc -l <"$work/err") -eq 1 ]] || fail "$why: exit $status"
    grep -q "$4" "$work/err" || fail "$why: the message does not say '$4'"
    [[ ! -e "$work/$out" && -z $(partials "$out") ]] || fail "$why: something was written"
}
refused low.mp4 "8 kHz sound into an MP4" low.mp3 '\.mkv'
refused free.mkv "a free-format MP3" free.mp3 'free-format'
render "$work/low.mkv" "$work/low.mp3" --size 32x32 || fail "8 kHz sound into Matroska failed"

echo "signals, kills, the song as OUT, a playlist inside a song, lengths, endless songs and refusals all leave the user's files safe"
