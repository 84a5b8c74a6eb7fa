#!/usr/bin/env bash
# Checks that dependencies run one way: every top-level folder includes
# headers only from itself and from the folders listed before it in the
# README's architecture section. Headers included by bare name (a target's
# own include folder, such as the host SDK's) count for the folder that holds
# them. Prints each include that goes the wrong way and fails on any; a
# folder with C++ code that the list leaves out fails too.
#
#   bash tools/check-layers.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mapfile -t layers < <(awk '
  /^## / { inside = ($0 == "## Architecture") ; next }
  inside && match($0, /^[0-9]+\. `[^`\/]+\//) {
    layer = substr($0, RSTART, RLENGTH); sub(/^[0-9]+\. `/, "", layer); sub(/\/$/, "", layer); print layer
  }' README.md)
if [ "${#layers[@]}" -eq 0 ]; then
  echo "README.md has no layer list under '## Architecture'" >&2
  exit 1
fi
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
declare -A folderOfHeader
for path in "${sources[@]}"; do
  [[ $path == */* && $path == *.h ]] || continue
  name=${path##*/} top=${path%%/*}
  if [[ -n ${folderOfHeader[$name]:-} && ${folderOfHeader[$name]} != "$top" ]]; then
    folderOfHeader[$name]="(more than one folder)"
  else
    folderOfHeader[$name]=$top
  fi
done

faults=0 checked=0
for path in "${sources[@]}"; do
  [[ $path == */* ]] || continue
  top=${path%%/*}
  if [[ -z ${rank[$top]+set} ]]; then
    echo "$path: its folder $top/ is not in the README's layer list"
    faults=$((faults + 1))
    continue
  fi
  while IFS= read -r included; do
    if [[ $included == */* ]]; then
      target=${included%%/*}
      [[ -n ${rank[$target]+set} ]] || continue
    elif [[ -f $(dirname "$path")/$included ]]; then
      target=$top
    else
      target=${folderOfHeader[$included]:-}
      [[ -n $target ]] || continue
    fi
    checked=$((checked + 1))
    if [[ -z ${rank[$target]+set} ]] || ((rank[$target] > rank[$top])); then
      echo "$path: includes \"$included\" from $target/, which is not below $top/"
      faults=$((faults + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$path")
done

echo "layers, bottom up: ${layers[*]}; $checked includes checked, $faults going the wrong way"
[ "$faults" -eq 0 ]
