#!/usr/bin/env bash
# viz --render with no display at all: a 3-second song of noise bursts to a
# video at 30 frames a second. The file holds one H.264 stream of 90 frames
# at the size asked for and the song's own MP3 packets; the picture is tinted
# from each burst's onset (to a frame) and black between bursts; the same
# render twice gives the same frames; a chained Ogg file keeps every part's
# sound; mistakes leave nothing behind.
# Usage: render_test.sh VIZ MAKE_TEST_SONG
set -euo pipefail
source "$(dirname "$0")/video_helpers.sh"
start_render_test "$1" "$2"

render() { env -u DISPLAY "$viz" --render "$@" 2>"$work/err"; }

# Half a second of noise at 0, 1 and 2 s.
"$make_song" "$work/pulses.mp3" 3 pulses

# --- the file ----------------------------------------------------------------
# Scene 4 is the background alone: every pixel shows the loudness.
render "$work/video.mp4" "$work/pulses.mp3" --scene 4 --fps 30 --size 160x120 || fail "the render failed"
[[ -s "$work/err" ]] && fail "a render to a file said something: $(cat "$work/err")"
streams=$(ffprobe -v error -count_frames -of csv=p=0 \
    -show_entries stream=codec_type,codec_name,width,height,nb_read_frames "$work/video.mp4")
video=$(grep ',video,' <<<"$streams" || true)
[[ $(wc -l <<<"$streams") -eq 2 ]] || fail "not one video and one audio stream: $streams"
[[ $video == "h264,video,160,120,90" ]] || fail "the video stream is not 90 H.264 frames of 160x120: $video"
packets() { ffprobe -v error -select_streams a -show_entries packet=data_hash -show_data_hash md5 "$1" | grep -o 'MD5:[0-9a-f]*'; }
cmp -s <(packets "$work/pulses.mp3") <(packets "$work/video.mp4") || fail "the audio is not the song's own packets"

# --- frame-exact sync ----------------------------------------------------------
# The red of each frame's mean colour: tinted above 40, black below 10.
mapfile -t red < <(ffmpeg -v error -i "$work/video.mp4" -vf scale=1:1 -f rawvideo -pix_fmt rgb24 - |
    od -An -tu1 -w3 -v | awk '{ print $1 }')
[[ ${#red[@]} -eq 90 ]] || fail "decoded ${#red[@]} frames, not 90"
for onset in 0 30 60; do
    first=-1
    for ((frame = (onset > 0 ? onset - 5 : 0); frame < onset + 5; ++frame)); do
        if ((red[frame] > 40)); then first=$frame; break; fi
    done
    ((first >= onset - 1 && first <= onset + 1)) || fail "the burst at frame $onset shows from frame $first"
    for ((frame = onset + 2; frame <= onset + 14; ++frame)); do
        ((red[frame] > 40)) || fail "frame $frame, inside the burst at $onset, is not tinted (red ${red[frame]})"
    done
    for ((frame = onset + 17; frame <= onset + 28 && frame < 90; ++frame)); do
        ((red[frame] < 10)) || fail "frame $frame, between bursts, is not black (red ${red[frame]})"
    done
done

# --- the same render twice, Matroska too --------------------------------------
render "$work/one.mkv" "$work/pulses.mp3" --fps 30 --size 96x96 --seconds 1.5 || fail "the render to .mkv failed"
render "$work/two.mkv" "$work/pulses.mp3" --fps 30 --size 96x96 --seconds 1.5 || fail "the second render failed"
[[ $(ffprobe -v error -show_entries format=format_name -of csv=p=0 "$work/one.mkv") == *matroska* ]] ||
    fail "a .mkv name did not give Matroska"
frames() { ffmpeg -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#'; }
[[ $(frames "$work/one.mkv" | wc -l) -eq 45 ]] || fail "1.5 s at 30 a second is not 45 frames"
cmp -s <(frames "$work/one.mkv") <(frames "$work/two.mkv") || fail "two renders of the same song differ"

# --- a chained Ogg file: every part's sound, as a player decodes it -----------
# Each part after the first starts with its headers, packets of no sound.
ffmpeg -v error -f lavfi -i sine=frequency=440:duration=1 -fflags +bitexact -ac 2 "$work/part.wav"
oggenc --quiet -o "$work/part.ogg" "$work/part.wav"
opusenc --quiet "$work/part.wav" "$work/part.opus"
for kind in ogg opus; do
    cat "$work/part.$kind" "$work/part.$kind" "$work/part.$kind" >"$work/chain.$kind"
    for out in mkv mp4; do
        render "$work/chain-$kind.$out" "$work/chain.$kind" --size 32x32 --fps 10 || fail "chained .$kind into .$out"
        heard=$(sound_seconds "$work/chain-$kind.$out")
        awk -v s="$heard" 'BEGIN { exit !(s >= 2.99 && s < 3.1) }' ||
            fail "three chained 1 s parts of .$kind in .$out hold $heard s of sound"
    done
done

# --- a shader scene: 1 kHz's bin of iChannel0 lit from a sine's onset ---------
# Left half: the spectrum row at 1 kHz's bin; right half: at 100 Hz's.
ffmpeg -v error -f lavfi -i "sine=frequency=1000:duration=1,adelay=1000:all=1" -t 2 -ac 2 "$work/onset.wav"
cat >"$work/bins.frag" <<'SHADER'
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    float bin = fragCoord.x < iResolution.x * 0.5 ? 286.4 : 118.1;
    fragColor = vec4(vec3(texture(iChannel0, vec2(bin / 512.0, 0.25)).x), 1.0);
}
SHADER
render "$work/bins.mkv" "$work/onset.wav" --scene "$work/bins.frag" --fps 30 --size 32x16 || fail "the shader render failed"
mapfile -t halves < <(ffmpeg -v error -i "$work/bins.mkv" -vf scale=2:1 -f rawvideo -pix_fmt gray - | od -An -tu1 -w2 -v)
[[ ${#halves[@]} -eq 60 ]] || fail "decoded ${#halves[@]} frames of the shader scene, not 60"
for frame in 0 15 28 30 31 45 59; do
    read -r at1k at100 <<<"${halves[frame]}"
    lit=$((frame >= 30))
    if ((lit)); then ((at1k > 40)) || fail "frame $frame, from the onset, has 1 kHz's bin dark ($at1k)"; fi
    if ((!lit)); then ((at1k < 10)) || fail "frame $frame, before the onset, has 1 kHz's bin lit ($at1k)"; fi
    ((frame < 45 || at1k > 150)) || fail "frame $frame, well into the sine, has 1 kHz's bin dim ($at1k)"
    # The onset itself is a click, heard in every bin for a frame or two;
    # after it, 100 Hz holds no more than the 16-bit file's noise floor.
    ((frame == 30 || frame == 31 || at100 < 40)) || fail "frame $frame has 100 Hz's bin lit ($at100)"
done

# --- mistakes: exit 2, one line, nothing at OUT -------------------------------
echo "no song" >"$work/text.mp3"
mkdir "$work/out"
refused() {
    local out=$1 why=$2
    shift 2
    local status=0
    render "$out" "$@" || status=$?
    ((status == 2)) || fail "$why: exit $status, not 2"
    [[ $(wc -l <"$work/err") -eq 1 ]] || fail "$why: not one line: $(cat "$work/err")"
    ls "$out"* >/dev/null 2>&1 && fail "$why: left $(ls "$out"*)"
    return 0
}
refused "$work/out/a.mp4" "an unknown scene" "$work/pulses.mp3" --scene 42
refused "$work/out/b.mp4" "zero frames a second" "$work/pulses.mp3" --fps 0
refused "$work/out/c.mp4" "a song that cannot be played" "$work/text.mp3"
refused "$work/out/d.avi" "another extension" "$work/pulses.mp3"
echo "void mainImage(out vec4 c, in vec2 p) { c = nothing; }" >"$work/broken.frag"
refused "$work/out/e.mp4" "a shader scene that does not build" "$work/pulses.mp3" --scene "$work/broken.frag"
refused "/proc/viz-render-test.mp4" "an unwritable folder" "$work/pulses.mp3"
[[ -z $(ls -A "$work/out") ]] || fail "refused renders left $(ls -A "$work/out")"

echo "90 frames in sync with the song's own audio, the same twice, every part of a chained Ogg file, and every mistake refused cleanly"
