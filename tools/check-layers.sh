#!/usr/bin/env bash
# Checks that dependencies run one way: every folder includes headers only
# from itself and from the folders listed before it in the README's
# architecture section. A top-level folder with a list of its own (host/)
# is ranked by that list: its rows from the bottom up, where the folders
# of one row are peers that include none of each other. Quoted and
# angle-bracket includes both count when they name one of our headers: by
# its path from the top, beside the including file, or by bare name (a
# target's own include folder, such as the host SDK's). Prints each include
# that goes the wrong way and fails on any; a file with C++ code that the
# list leaves out fails too.
#
#   bash tools/check-layers.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# One line a folder: the folder, its top-level rank, its row within its
# top-level folder (0 for a top-level folder).
mapfile -t listed < <(awk '
  /^## / { inside = ($0 == "## Architecture"); next }
  !inside { next }
  /^[0-9]+\. `/ { top++; row = 0; line = $0 }
  /^[[:space:]]+[0-9]+\. `/ { row++; line = $0 }
  /^([[:space:]]*)[0-9]+\. `/ {
    sub(/ - .*/, "", line)
    while (match(line, /`[^`]+\/`/)) {
      folder = substr(line, RSTART + 1, RLENGTH - 3)
      print folder, top, row
      line = substr(line, RSTART + RLENGTH)
    }
  }' README.md)
if [ "${#listed[@]}" -eq 0 ]; then
  echo "README.md has no layer list under '## Architecture'" >&2
  exit 1
fi
declare -A major minor hasRows
order=()
for entry in "${listed[@]}"; do
  read -r folder top row <<<"$entry"
  major[$folder]=$top minor[$folder]=$row
  order+=("$folder")
  ((row == 0)) || hasRows[${folder%%/*}]=1
done

# Sets layer to the listed folder that holds a path, the deepest one; empty
# when none does.
layerOf() {
  local folder=$1
  layer=
  while [[ $folder == */* ]]; do
    folder=${folder%/*}
    if [[ -n ${major[$folder]+set} ]]; then
      [[ -n ${hasRows[$folder]:-} ]] || layer=$folder
      return
    fi
  done
}

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
declare -A isSource pathOfHeader
for path in "${sources[@]}"; do
  isSource[$path]=1
  [[ $path == */* && $path == *.h ]] || continue
  name=${path##*/}
  if [[ -n ${pathOfHeader[$name]:-} ]]; then
    pathOfHeader[$name]="(more than one folder)"
  else
    pathOfHeader[$name]=$path
  fi
done

faults=0 checked=0
declare -A reported
for path in "${sources[@]}"; do
  [[ $path == */* ]] || continue
  layerOf "$path"
  if [[ -z $layer ]]; then
    echo "$path: its folder is not in the README's layer list"
    faults=$((faults + 1))
    reported[$path]=1
  fi
done
while IFS= read -r line; do
  path=${line%:*} included=${line##*:}
  [[ $path == */* && -z ${reported[$path]:-} ]] || continue
  beside=${path%/*}/$included
  if [[ -n ${isSource[$included]:-} ]]; then
    header=$included
  elif [[ -n ${isSource[$beside]:-} ]]; then
    header=$beside
  elif [[ $included != */* && -n ${pathOfHeader[$included]:-} ]]; then
    header=${pathOfHeader[$included]}
  else
    continue
  fi
  checked=$((checked + 1))
  layerOf "$path"
  own=$layer
  layerOf "$header"
  [[ $layer != "$own" ]] || continue
  if [[ -z $layer ]] || ((major[$layer] > major[$own])) ||
     ((major[$layer] == major[$own] && minor[$layer] >= minor[$own])); then
    echo "$path: includes \"$included\" from ${layer:-$header}, which is not below $own/"
    faults=$((faults + 1))
  fi
done < <(printf '%s\0' "${sources[@]}" | xargs -0 awk '
  match($0, /^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]*[">]/) {
    included = substr($0, RSTART, RLENGTH); sub(/^[^"<]*["<]/, "", included); sub(/[">]$/, "", included)
    print FILENAME ":" included
  }')

echo "layers, bottom up: ${order[*]}; $checked includes checked, $faults going the wrong way"
[ "$faults" -eq 0 ]
