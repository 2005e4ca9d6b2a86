#!/usr/bin/env bash
# The product folders stand in layers, each including only the layers its
# library links, below it; inside a folder, no file climbs back up to one
# that includes it, at any depth (a file and its header count as one).
# Usage: layering_test.sh SOURCE_ROOT
set -euo pipefail
root=$(realpath "$1")

# Each folder, bottom to top, with the folders it may include.
declare -A may_use=(
    [base]=""
    [decoding]="base"
    [analysis]="base"
    [output]="base decoding analysis"
    [capture]="base decoding analysis output"
    [media]="base decoding analysis output"
    [video]="base decoding"
    [draw]="base"
    [text]="base draw"
    [scenes]="base draw"
    [platform]="base"
    [shaders]="base analysis"
    [desktop]="base"
    [app]="base decoding analysis output capture media video draw text scenes shaders platform desktop"
)
order=(base decoding analysis output capture media video draw text scenes shaders platform desktop app)

failed=0
for folder in "${order[@]}"; do
    allowed=" ${may_use[$folder]} "
    edges=()
    while IFS= read -r line; do
        file=${line%%:*}
        included=${line#*\"}
        included=${included%\"}
        target=${included%%/*}
        if [[ $target == "$folder" ]]; then
            module=$(basename "${file%.*}")
            used=$(basename "${included%.*}")
            [[ $module != "$used" ]] && edges+=("$module $used")
        elif [[ $allowed != *" $target "* ]]; then
            echo "${file#"$root"/} includes $included: $folder may use only:${allowed% }"
            failed=1
        fi
    done < <(grep -rHo '#include "[a-z_]*/[^"]*"' "$root/$folder" --include='*.h' --include='*.cpp')
    # tsort orders the folder's files by their includes, or names a loop.
    if ((${#edges[@]})) && ! loops=$(printf '%s\n' "${edges[@]}" | tsort 2>&1 >/dev/null); then
        loops=$(sed -n 's/^tsort: \([a-z_0-9]*\)$/\1/p' <<<"$loops" | tr '\n' ' ')
        echo "$folder/ has files that include each other, round: ${loops% }"
        failed=1
    fi
done
[[ $failed -eq 0 ]] && echo "every folder includes only the layers below it, and no file in one climbs back up: ${order[*]}"
exit $failed
