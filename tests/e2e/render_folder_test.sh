#!/usr/bin/env bash
# viz --render OUTDIR/ FOLDER: a folder of six songs, one of them junk,
# gives five videos, one line for the junk and status 1; a run again renders
# nothing, and a song touched since is rendered alone. Three tasks of a job
# array, numbered by --shard or by each engine's own variables, render every
# song exactly once between them; two processes on one shard leave whole
# videos only.
# Usage: render_folder_test.sh VIZ MAKE_TEST_SONG
set -euo pipefail
viz=$(realpath "$1")
make_song=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
render() { env -u DISPLAY "$viz" --render "$@" --scene 4 --fps 5 --size 16x16 2>>"$work/err"; }
stamps() { stat -c '%n %Y.%y' "$1"/* | sort; }

mkdir "$work/songs"
for name in a b c d e; do "$make_song" "$work/songs/$name.mp3" 0.4 pulses; done
head -c 4000 /dev/urandom >"$work/songs/junk.mp3"

# --- a folder, again, and once touched ------------------------------------------
status=0
render "$work/out/" "$work/songs" || status=$?
[[ $status -eq 1 ]] || fail "a folder with junk in it ended with status $status, not 1"
[[ $(ls "$work/out") == $'a.mp4\nb.mp4\nc.mp4\nd.mp4\ne.mp4' ]] || fail "not the five videos: $(ls "$work/out")"
[[ $(wc -l <"$work/err") -eq 1 ]] && grep -q "junk.mp3" "$work/err" || fail "not one line for the junk: $(cat "$work/err")"
for video in "$work"/out/*.mp4; do
    frames=$(ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$video")
    [[ $frames -eq 2 ]] || fail "$video has $frames frames, not 2"
done
before=$(stamps "$work/out")
render "$work/out/" "$work/songs" || true
[[ $(stamps "$work/out") == "$before" ]] || fail "a run again rendered songs whose videos were done"
touch "$work/songs/c.mp3"
render "$work/out/" "$work/songs" || true
changed=$(diff <(echo "$before") <(stamps "$work/out") | grep '^>' || true)
[[ $changed == "> $work/out/c.mp4 "* && $(wc -l <<<"$changed") -eq 1 ]] ||
    fail "a touched song was not rendered alone: $changed"

# --- three tasks, each way of numbering them --------------------------------------
tasks_by() {
    local way=$1
    for task in 0 1 2; do
        case $way in
            option) render "$work/$way/$task/" "$work/songs" --shard "$task/3" || true ;;
            kubernetes) JOB_COMPLETION_INDEX=$task render "$work/$way/$task/" "$work/songs" --shard-count 3 || true ;;
            slurm) SLURM_ARRAY_TASK_ID=$((task + 1)) SLURM_ARRAY_TASK_MIN=1 SLURM_ARRAY_TASK_COUNT=3 \
                render "$work/$way/$task/" "$work/songs" || true ;;
            aws) AWS_BATCH_JOB_ARRAY_INDEX=$task VIZ_SHARD_COUNT=3 render "$work/$way/$task/" "$work/songs" || true ;;
            cloudrun) CLOUD_RUN_TASK_INDEX=$task CLOUD_RUN_TASK_COUNT=3 render "$work/$way/$task/" "$work/songs" || true ;;
        esac
    done
    (cd "$work/$way" && ls -- */ | grep mp4 | sort | tr '\n' ' ')
}
for way in option kubernetes slurm aws cloudrun; do
    rendered=$(tasks_by $way)
    [[ $rendered == "a.mp4 b.mp4 c.mp4 d.mp4 e.mp4 " ]] || fail "three tasks by $way rendered: $rendered"
    for task in 0 1 2; do
        [[ $(ls "$work/$way/$task" | wc -l) -le 2 ]] || fail "task $task by $way rendered more than its share"
    done
done

# --- two processes on one shard ----------------------------------------------------
render "$work/race/" "$work/songs" --shard 0/1 & first=$!
render "$work/race/" "$work/songs" --shard 0/1 & second=$!
wait $first || true
wait $second || true
[[ $(ls -A "$work/race") == $'a.mp4\nb.mp4\nc.mp4\nd.mp4\ne.mp4' ]] || fail "a race left: $(ls -A "$work/race")"
for video in "$work"/race/*.mp4; do
    ffmpeg -v error -i "$video" -f null - 2>"$work/decode" && [[ ! -s "$work/decode" ]] ||
        fail "$video is not whole: $(cat "$work/decode")"
done
echo "PASSED"
