#!/usr/bin/env bash
# The product folders stand in layers, each including only folders below it,
# bottom to top: base, audio (sound), media (the song library), text
# (lettering), scenes (the figures), video (the video file), app (the
# program). A folder that reaches
# up, or sideways into a layer above, fails here.
# Usage: layering_test.sh SOURCE_ROOT
set -euo pipefail
root=$(realpath "$1")
layers=(base audio media text scenes video app)

failed=0
for ((level = 0; level < ${#layers[@]}; ++level)); do
    folder=${layers[level]}
    below=" ${layers[*]:0:level} "
    while IFS= read -r line; do
        file=${line%%:*}
        included=${line#*\"}
        included=${included%\"}
        target=${included%%/*}
        [[ $target == "$folder" || $below == *" $target "* ]] && continue
        echo "${file#"$root"/} includes $included: $folder may use only:${below% }"
        failed=1
    done < <(grep -rHo '#include "[a-z_]*/[^"]*"' "$root/$folder" --include='*.h' --include='*.cpp')
done
[[ $failed -eq 0 ]] && echo "every folder includes only the layers below it: ${layers[*]}"
exit $failed
