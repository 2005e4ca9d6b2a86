# Reading a rendered video as a player does. Source this file.

# sound_seconds VIDEO: seconds of sound its audio stream decodes to, to the
# millisecond, summed over the decoded frames (not the container's word).
sound_seconds() {
    local rate
    rate=$(ffprobe -v error -select_streams a -show_entries stream=sample_rate -of csv=p=0 "$1")
    ffprobe -v error -select_streams a -show_entries frame=nb_samples -of csv=p=0 "$1" |
        awk -v rate="$rate" '{ n += $1 } END { printf "%.3f", n / rate }'
}
