#!/usr/bin/env bash
# A rendered video played back as players play it: FFmpeg's tools and
# GStreamer decode the sound and the pictures of songs that carry an
# encoder's info tag (44.1 kHz stereo, 48 kHz, 22.05 kHz mono, junk before
# the first frame), and songs of the other kinds made from one of them,
# rendered at 240 frames a second to MP4, Matroska and WebM. For
# each burst of noise the pictures rise within 6 ms of the sound, and the two
# end within one MP3 frame of each other. The frame rate, colour tags and the
# last frame's duration read back as written.
# Usage: render_sync_test.sh VIZ MAKE_TEST_SONG PLAYED_SYNC
set -euo pipefail
viz=$(realpath "$1")
make_song=$(realpath "$2")
played_sync=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
render() { env -u DISPLAY "$viz" --render "$@" 2>"$work/err" || fail "viz --render $*: $(cat "$work/err")"; }

songs=("44k:" "48k:--rate 48000" "22k-mono:--rate 22050 --mono" "junk:--junk 3000")
for song in "${songs[@]}"; do
    name=${song%%:*}
    # shellcheck disable=SC2086
    "$make_song" "$work/$name.mp3" 4 pulses ${song#*:}
    for container in mp4 mkv; do
        video="$work/$name.$container"
        render "$video" --scene 4 --fps 240 --size 32x32 "$work/$name.mp3"
        "$played_sync" ffmpeg "$video" 6 27 >"$work/timing" || fail "$name.$container: $(cat "$work/timing")"
    done
done
for video in 44k.mp4 22k-mono.mkv; do
    "$played_sync" gstreamer "$work/$video" 6 27 >"$work/timing" || fail "$video: $(cat "$work/timing")"
done

# The other kinds: their own packets copied in where the container takes
# them (a FLAC master and an Ogg Vorbis song into Matroska, an Opus song into
# both, AAC from a phone's .m4a and a raw .aac file into MP4), encoded once to
# AAC where it does not (the FLAC master into MP4).
ffmpeg -v error -i "$work/44k.mp3" "$work/master.wav"
flac --silent -o "$work/master.flac" "$work/master.wav"
oggenc --quiet -o "$work/song.ogg" "$work/master.wav"
opusenc --quiet "$work/master.wav" "$work/song.opus"
ffmpeg -v error -i "$work/master.wav" -c:a aac "$work/song.m4a"
ffmpeg -v error -i "$work/master.wav" -c:a aac -f adts "$work/song.aac"
for pair in master.flac:mkv:flac master.flac:mp4:aac song.ogg:mkv:vorbis song.opus:mkv:opus song.opus:mp4:opus \
    song.m4a:mp4:aac song.aac:mp4:aac; do
    IFS=: read -r song container codec <<<"$pair"
    video="$work/${song/./-}.$container"
    render "$video" --scene 4 --fps 240 --size 32x32 "$work/$song"
    [[ $(ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 "$video") == "$codec" ]] ||
        fail "$song in $container: the sound is not $codec"
    for player in ffmpeg gstreamer; do
        "$played_sync" "$player" "$video" 6 27 >"$work/timing" || fail "$song in $container, $player: $(cat "$work/timing")"
    done
done

# WebM: VP9 with an MP3 song encoded to Opus (44.1 kHz resampled to 48 kHz)
# and with a Vorbis song's own packets; AV1 with an Opus song's own packets.
for pair in 44k.mp3:vp9:opus song.ogg:vp9:vorbis song.opus:av1:opus; do
    IFS=: read -r song codec sound <<<"$pair"
    video="$work/${song/./-}-$codec.webm"
    render "$video" --scene 4 --fps 240 --size 64x64 --codec "$codec" --quality draft "$work/$song"
    [[ $(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$video" | paste -sd,) == "$codec,$sound" ]] ||
        fail "$song in WebM: not $codec with $sound"
    "$played_sync" ffmpeg "$video" 6 27 >"$work/timing" || fail "$song in WebM, ffmpeg: $(cat "$work/timing")"
done
# Debian 12's GStreamer has no AV1 decoder among its packages here: AV1 is
# checked by FFmpeg alone.
for video in 44k-mp3-vp9.webm song-ogg-vp9.webm; do
    "$played_sync" gstreamer "$work/$video" 6 27 >"$work/timing" || fail "$video, gstreamer: $(cat "$work/timing")"
done

# Every frame lasts a frame, the last one too: three at 1 a second are
# three seconds, and a one-frame video still shows its frame.
probe() { ffprobe -v error -select_streams v -count_frames -of csv=p=0 -show_entries "$@"; }
for container in mp4 mkv; do
    render "$work/three.$container" "$work/44k.mp3" --fps 1 --seconds 3 --size 32x32
    render "$work/one.$container" "$work/44k.mp3" --fps 1 --seconds 1 --size 32x32
    render "$work/ntsc.$container" "$work/44k.mp3" --fps 29.97 --seconds 2 --size 32x32
    duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/three.$container")
    awk -v d="$duration" 'BEGIN { exit !(d >= 2.999 && d <= 3.05) }' ||
        fail "three frames at 1 fps last $duration s in $container"
    [[ $(probe stream=nb_read_frames "$work/one.$container") == 1 ]] || fail "a one-frame $container shows no frame"
    [[ $(probe stream=r_frame_rate,nb_read_frames "$work/ntsc.$container") == 30000/1001,60 ]] ||
        fail "29.97 fps for 2 s is not 60 frames at 30000/1001 in $container"
    [[ $(probe stream=color_space,color_range,color_primaries "$work/one.$container") == tv,bt709,bt709 ]] ||
        fail "the $container does not say BT.709, limited range"
done
[[ $(probe stream=avg_frame_rate "$work/three.mp4") == 1/1 ]] || fail "the MP4's average frame rate is not 1/1"

echo "in step as FFmpeg and GStreamer play it, ending together, every frame a frame long, colours tagged"
