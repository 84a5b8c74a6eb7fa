#!/usr/bin/env bash
# The benchmark of record: how much importing a large 3DS scene costs next to
# merely reading it with lib3ds (the floor, which any importer built on lib3ds
# pays), and next to assimp. Generates the scenes, times every program on the
# same files in one run, and prints a markdown table of medians, then the
# time each phase of the largest scene's import took.
#
#   bash bench/record.sh            (or: make bench-record)
#   XL=1 bash bench/record.sh       (adds the 6.75- and 30-million-face scenes)
#
# Environment: RUNS (default 5) and LARGE_RUNS (default 3, for the scenes of
# millions of faces and for assimp's export) set the number of runs a median
# is taken of; WORK (default build/bench-record) is where the scenes go, and
# the output on disk; FAST_OUTPUT (default /dev/shm) is the tmpfs folder for
# the output that is kept out of the disk's way.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${RUNS:-5}"
large_runs="${LARGE_RUNS:-3}"
work="${WORK:-$repo/build/bench-record}"
fast="${FAST_OUTPUT:-/dev/shm}/kv-bench-record-$$"
build="$repo/build"
clock="$build/bench/libkv_phase_clock.so"

bash "$repo/tools/setup.sh"
cmake --preset default -S "$repo" >/dev/null
cmake --build --preset default >/dev/null

mkdir -p "$work" "$fast"
trap 'rm -rf "$fast"' EXIT
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
if [ -n "${XL:-}" ]; then
  scenes+=("6.75M 150 150" "XL 460 180")
fi

# Scenes of millions of faces: fewer runs, the output on disk too, and the phases of each import.
is_large() { case "$1" in 4.5M | 6.75M | XL) return 0 ;; *) return 1 ;; esac; }

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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b == 0) print "-"; else printf "%.2fx", a / b }'; }

face_count() { echo "$(( $2 * $3 * $3 * 2 ))"; }

programs_for() {
  case "$1" in
    4.5M) echo "floor kvimport kvimport-disk kvimport-merge kvimport-authored assimp-info" ;;
    6.75M | XL) echo "floor kvimport kvimport-disk kvimport-merge kvimport-authored" ;;
    1M-no-nodes) echo "floor kvimport kvimport-merge kvimport-authored" ;;
    *) echo "floor kvimport kvimport-merge kvimport-authored assimp-info assimp-export" ;;
  esac
}

# kvimport as the benchmark runs it; on the large scenes with the phase clock
# preloaded, which appends each import's phase times to $work/phases-KEY.
kvimport() {
  local key="$1" scene_file="$2" output="$3"
  shift 3
  local command=("$build/bin/kvimport" --progress=none --units "model units" "$@" "$scene_file" "$output")
  if is_large "${key%%|*}"; then
    measure "$key" "$output" env LD_PRELOAD="$clock" KV_PHASE_TIMES="$work/phases-${key//|/-}" "${command[@]}"
  else
    measure "$key" "$output" "${command[@]}"
  fi
}

run_program() {
  local program="$1" scene_file="$2" key="$3"
  case "$program" in
    floor) measure "$key" - "$build/bench/load_3ds" "$scene_file" ;;
    kvimport) kvimport "$key" "$scene_file" "$fast/out.kvm" --no-merge ;;
    kvimport-disk) kvimport "$key" "$scene_file" "$work/out.kvm" --no-merge ;;
    kvimport-merge) kvimport "$key" "$scene_file" "$fast/out.kvm" --merge ;;
    kvimport-authored) kvimport "$key" "$scene_file" "$fast/out.kvm" --no-merge --as-authored ;;
    assimp-info) measure "$key" - assimp info "$scene_file" ;;
    assimp-export) measure "$key" "$work/out.glb" assimp export "$scene_file" "$work/out.glb" ;;
  esac
}

describe_program() {
  case "$1" in
    floor) echo "lib3ds load and free (the floor)" ;;
    kvimport) echo "kvimport, no merge" ;;
    kvimport-disk) echo "kvimport, no merge, output on disk" ;;
    kvimport-merge) echo "kvimport --merge" ;;
    kvimport-authored) echo "kvimport --as-authored, no merge" ;;
    assimp-info) echo "assimp info" ;;
    assimp-export) echo "assimp export FILE.glb" ;;
  esac
}

# The phases the clock writes, in order, and what the table calls them.
phases="start check parse materials nodes fill merge save free end"
describe_phase() {
  case "$1" in
    start) echo "start, plug-in loading, kvimport's own check of the file" ;;
    check) echo "reading and checking the file" ;;
    parse) echo "lib3ds parse" ;;
    materials) echo "cameras, materials, the face budget" ;;
    nodes) echo "nodes and meshes (the converter's calls)" ;;
    fill) echo "fill and weld" ;;
    merge) echo "coplanar merge" ;;
    save) echo "save" ;;
    free) echo "freeing the model and the scene" ;;
    end) echo "kvimport after the import, until exit" ;;
  esac
}

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
for scene in "${scenes[@]}"; do
  read -r name meshes side extra <<<"$scene"
  scene_file="$work/$name.3ds"
  "$build/bench/make_bench_scene" "$meshes" "$side" "$scene_file" ${extra:+"$extra"}
  cat "$scene_file" >/dev/null  # every run reads the file from the page cache
  repeats="$runs"
  is_large "$name" && repeats="$large_runs"
  rm -f "$work"/phases-"$name"-*
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

# A scene the machine has the memory for, but not a process limited to 1 GiB
# of address space: refused before lib3ds parses it, saying why.
refusal=""
if [ -n "${XL:-}" ]; then
  refusal="$( (ulimit -v 1048576; "$build/bin/kvimport" --progress=none "$work/6.75M.3ds" "$fast/out.kvm" 2>&1 >/dev/null) || true)"
fi

{
  hypervisor="$(lscpu | sed -n 's/^Hypervisor vendor: *//p')"
  echo "Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores${hypervisor:+ ($hypervisor guest)}," \
    "$(free -g | awk '/^Mem:/ { print $2 }') GiB;" \
    "$(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)."
  echo "Commit $(git -C "$repo" rev-parse --short HEAD), $(date -u '+%Y-%m-%d %H:%M UTC');" \
    "load average $load_before before, $load_after after." \
    "Medians of $runs runs ($large_runs for the scenes of millions of faces and assimp export)."
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
  for scene in "${scenes[@]}"; do
    read -r name meshes side extra <<<"$scene"
    is_large "$name" || continue
    echo
    echo "Phases of the $name imports (medians, seconds; the fills add up the time of each mesh's):"
    echo
    echo "| Phase | kvimport, no merge | output on disk | --merge | --as-authored |"
    echo "|---|---|---|---|---|"
    for phase in $phases; do
      row="| $(describe_phase "$phase") |"
      for program in kvimport kvimport-disk kvimport-merge kvimport-authored; do
        file="$work/phases-$name-$program"
        value="$([ -f "$file" ] && awk -v p="$phase" '$1 == p { print $2 }' "$file" | tr '\n' ' ' | median)"
        row+=" ${value:--} |"
      done
      echo "$row"
    done
  done
  if [ -n "$refusal" ]; then
    echo
    echo "The 6.75M scene with the address space limited to 1 GiB (ulimit -v 1048576):"
    echo
    echo "    $refusal"
  fi
} | tee "$work/record.md"
