# Reading a rendered video as a player does. Source this file.

# start_render_test VIZ MAKE_TEST_SONG: sets viz, make_song and a work folder
# removed at exit.
start_render_test() {
    viz=$(realpath "$1")
    make_song=$(realpath "$2")
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
}

# fail MESSAGE: ends the test, with what the last render said.
fail() { echo "FAILED: $*"; [[ -f "$work/err" ]] && cat "$work/err"; exit 1; }

# sound_seconds VIDEO: seconds of sound its audio stream decodes to, to the
# millisecond, summed over the decoded frames (not the container's word).
sound_seconds() {
    local rate
    rate=$(ffprobe -v error -select_streams a -show_entries stream=sample_rate -of csv=p=0 "$1")
    ffprobe -v error -select_streams a -show_entries frame=nb_samples -of csv=p=0 "$1" |
        awk -v rate="$rate" '{ n += $1 } END { printf "%.3f", n / rate }'
}
