#!/usr/bin/env bash
# The benchmark of record: how much importing a large 3DS scene costs next to
# merely reading it with lib3ds (the floor, which any importer built on lib3ds
# pays), and next to assimp. Generates the scenes, times every program on the
# same files in one run, and prints a markdown table of medians.
#
#   bash bench/record.sh            (or: make bench-record)
#
# Environment: RUNS (default 5) and LARGE_RUNS (default 3, for the largest
# scene and for assimp's export) set the number of runs a median is taken of;
# WORK (default build/bench-record) is where the scenes and outputs go.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${RUNS:-5}"
large_runs="${LARGE_RUNS:-3}"
work="${WORK:-$repo/build/bench-record}"
build="$repo/build"

bash "$repo/tools/setup.sh"
cmake --preset default -S "$repo" >/dev/null
cmake --build --preset default >/dev/null

mkdir -p "$work"
# The importer reads its stored options; keep the user's own store out of it.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"

# name, meshes, quads per grid side, extra generator argument
scenes=(
  "100k 20 50"
  "1M 50 100"
  "1M-no-nodes 50 100 --no-nodes"
  "4.5M 100 150"
)

# Each measure of one run: "wall seconds, peak KiB" from GNU time, output bytes.
declare -A walls memories outputs failed

# Runs one program once; ARGS after the label name the output file (or -) and the command.
measure() {
  local key="$1" output="$2"
  shift 2
  rm -f "$output"
  if /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >"$work/last.log" 2>&1; then
    read -r wall memory <"$work/time.txt"
    walls[$key]+="$wall "
    memories[$key]+="$memory "
    if [ "$output" != "-" ]; then outputs[$key]="$(stat -c %s "$output")"; fi
  else
    failed[$key]="$(tail -n 1 "$work/last.log")"
  fi
  rm -f "$output"
}

median() {
  tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ value[NR] = $1 } END {
    if (NR == 0) exit
    if (NR % 2) print value[(NR + 1) / 2]; else print (value[NR / 2] + value[NR / 2 + 1]) / 2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b == 0) print "-"; else printf "%.1fx", a / b }'; }

face_count() { echo "$(( $2 * $3 * $3 * 2 ))"; }

programs_for() {
  case "$1" in
    4.5M) echo "floor kvimport kvimport-merge assimp-info" ;;
    1M-no-nodes) echo "floor kvimport kvimport-merge" ;;
    *) echo "floor kvimport kvimport-merge assimp-info assimp-export" ;;
  esac
}

run_program() {
  local program="$1" scene_file="$2" key="$3"
  case "$program" in
    floor) measure "$key" - "$build/bench/load_3ds" "$scene_file" ;;
    kvimport) measure "$key" "$work/out.kvm" "$build/bin/kvimport" --progress=none --units "model units" --no-merge \
      "$scene_file" "$work/out.kvm" ;;
    kvimport-merge) measure "$key" "$work/out.kvm" "$build/bin/kvimport" --progress=none --units "model units" --merge \
      "$scene_file" "$work/out.kvm" ;;
    assimp-info) measure "$key" - assimp info "$scene_file" ;;
    assimp-export) measure "$key" "$work/out.glb" assimp export "$scene_file" "$work/out.glb" ;;
  esac
}

describe_program() {
  case "$1" in
    floor) echo "lib3ds load and free (the floor)" ;;
    kvimport) echo "kvimport, no merge" ;;
    kvimport-merge) echo "kvimport --merge" ;;
    assimp-info) echo "assimp info" ;;
    assimp-export) echo "assimp export FILE.glb" ;;
  esac
}

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
for scene in "${scenes[@]}"; do
  read -r name meshes side extra <<<"$scene"
  scene_file="$work/$name.3ds"
  "$build/bench/make_bench_scene" "$meshes" "$side" "$scene_file" ${extra:+"$extra"}
  cat "$scene_file" >/dev/null  # every run reads the file from the page cache
  repeats="$runs"
  [ "$name" = "4.5M" ] && repeats="$large_runs"
  # Round by round, so that a busy spell on the machine spreads over all programs alike.
  for ((round = 1; round <= repeats; ++round)); do
    for program in $(programs_for "$name"); do
      [ "$program" = "assimp-export" ] && [ "$round" -gt "$large_runs" ] && continue
      echo "$name: $(describe_program "$program"), run $round" >&2
      run_program "$program" "$scene_file" "$name|$program"
    done
  done
done
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

{
  hypervisor="$(lscpu | sed -n 's/^Hypervisor vendor: *//p')"
  echo "Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores${hypervisor:+ ($hypervisor guest)}," \
    "$(free -g | awk '/^Mem:/ { print $2 }') GiB;" \
    "$(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)."
  echo "Commit $(git -C "$repo" rev-parse --short HEAD), $(date -u '+%Y-%m-%d %H:%M UTC');" \
    "load average $load_before before, $load_after after. Medians of $runs runs ($large_runs for 4.5M and assimp export)."
  echo
  echo "| Scene | Run | Wall (s) | Wall / floor | Peak memory (MiB) | Memory / floor | Output (MB) | Output / 3DS file |"
  echo "|---|---|---|---|---|---|---|---|"
  for scene in "${scenes[@]}"; do
    read -r name meshes side extra <<<"$scene"
    input_bytes="$(stat -c %s "$work/$name.3ds")"
    floor_wall="$(median <<<"${walls[$name|floor]:-}")"
    floor_memory="$(median <<<"${memories[$name|floor]:-}")"
    label="$name: $(face_count "$name" "$meshes" "$side") faces, $(awk -v b="$input_bytes" 'BEGIN { printf "%.1f", b / 1e6 }') MB"
    for program in $(programs_for "$name"); do
      key="$name|$program"
      if [ -n "${failed[$key]:-}" ]; then
        echo "| $label | $(describe_program "$program") | failed: ${failed[$key]} | | | | | |"
        continue
      fi
      wall="$(median <<<"${walls[$key]}")"
      memory="$(median <<<"${memories[$key]}")"
      output="${outputs[$key]:-}"
      printf '| %s | %s | %.2f | %s | %.0f | %s | %s | %s |\n' "$label" "$(describe_program "$program")" "$wall" \
        "$(ratio "$wall" "$floor_wall")" "$(awk -v k="$memory" 'BEGIN { print k / 1024 }')" \
        "$(ratio "$memory" "$floor_memory")" \
        "$([ -n "$output" ] && awk -v b="$output" 'BEGIN { printf "%.1f", b / 1e6 }' || echo -)" \
        "$(ratio "$output" "$input_bytes")"
    done
  done
} | tee "$work/record.md"
