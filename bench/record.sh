#!/usr/bin/env bash
# The benchmark of record: how much importing a large 3DS scene costs next to
# merely reading it with lib3ds (the floor, which any importer built on lib3ds
# pays), and next to assimp. Generates the scenes and times every program on
# the same files in rounds (the floor, then each import, round after round),
# and prints a markdown table of the median of each measure with its least
# and greatest, then the time each phase of the large scenes' imports took.
# Each ratio to the floor is taken round by round, against the floor's run in
# the same round, so that a busy spell on a shared machine falls on both.
#
#   bash bench/record.sh            (or: make bench-record)
#   XL=1 bash bench/record.sh       (adds the 6.75- and 30-million-face scenes)
#
# Environment: RUNS (default 9, at least 9) sets the number of rounds, LARGE_RUNS
# (default 9) the rounds of the 6.75M and XL scenes, ASSIMP_RUNS (default 3)
# how many rounds assimp takes part in; WORK (default build/bench-record) is
# where the scenes go, and the output on disk; FAST_OUTPUT (default /dev/shm)
# is the tmpfs folder for the output that is kept out of the disk's way.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${RUNS:-9}"
large_runs="${LARGE_RUNS:-9}"
assimp_runs="${ASSIMP_RUNS:-3}"
if [ "$runs" -lt 9 ]; then
  echo "record.sh: RUNS is $runs; a record takes at least 9 rounds" >&2
  exit 2
fi
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

# Scenes of millions of faces: the output on disk too, and the phases of each import.
is_large() { case "$1" in 4.5M | 6.75M | XL) return 0 ;; *) return 1 ;; esac; }
# The scenes that take minutes a round get LARGE_RUNS rounds.
is_huge() { case "$1" in 6.75M | XL) return 0 ;; *) return 1 ;; esac; }

# Each measure of one run, listed round by round: wall seconds, CPU seconds
# (user and system) and peak KiB from GNU time; output bytes.
declare -A walls cpus memories outputs failed

# Runs one program once; ARGS after the label name the output file (or -) and the command.
measure() {
  local key="$1" output="$2"
  shift 2
  rm -f "$output"
  if /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >"$work/last.log" 2>&1; then
    read -r wall user system memory <"$work/time.txt"
    walls[$key]+="$wall "
    cpus[$key]+="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') "
    memories[$key]+="$memory "
    if [ "$output" != "-" ]; then outputs[$key]="$(stat -c %s "$output")"; fi
  else
    failed[$key]="$(tail -n 1 "$work/last.log")"
  fi
  rm -f "$output"
}

# "median least greatest" of the numbers on standard input.
spread() {
  tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ value[NR] = $1 } END {
    if (NR == 0) exit
    print (NR % 2 ? value[(NR + 1) / 2] : (value[NR / 2] + value[NR / 2 + 1]) / 2), value[1], value[NR] }'
}

# Round by round, each of the first list's numbers over the second's.
ratios() {
  paste -d' ' <(tr ' ' '\n' <<<"$1" | grep -v '^$') <(tr ' ' '\n' <<<"$2" | grep -v '^$') |
    awk 'NF == 2 && $2 != 0 { printf "%s ", $1 / $2 }'
}

# A spread as "median (least-greatest)", each number through FORMAT and SCALE.
show_spread() {
  local values="$1" format="$2" scale="${3:-1}"
  [ -z "$(tr -d ' ' <<<"$values")" ] && { echo "-"; return; }
  spread <<<"$values" | awk -v f="$format" -v s="$scale" '{ printf f " (" f "-" f ")", $1 / s, $2 / s, $3 / s }'
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
  is_huge "$name" && repeats="$large_runs"
  rm -f "$work"/phases-"$name"-*
  # Round by round, so that a busy spell on the machine spreads over all programs alike.
  for ((round = 1; round <= repeats; ++round)); do
    for program in $(programs_for "$name"); do
      case "$program" in assimp-*) [ "$round" -gt "$assimp_runs" ] && continue ;; esac
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
    "Medians of $runs rounds ($large_runs for the 6.75M and XL scenes, $assimp_runs for assimp)," \
    "each with the least and greatest in brackets; ratios to the floor's run in the same round."
  echo
  echo "| Scene | Run | Wall (s) | Wall / floor | CPU (s) | CPU / floor | Peak memory (MiB) | Memory / floor | Output (MB) | Output / 3DS file |"
  echo "|---|---|---|---|---|---|---|---|---|---|"
  for scene in "${scenes[@]}"; do
    read -r name meshes side extra <<<"$scene"
    input_bytes="$(stat -c %s "$work/$name.3ds")"
    floor="$name|floor"
    label="$name: $(face_count "$name" "$meshes" "$side") faces, $(awk -v b="$input_bytes" 'BEGIN { printf "%.1f", b / 1e6 }') MB"
    for program in $(programs_for "$name"); do
      key="$name|$program"
      if [ -n "${failed[$key]:-}" ]; then
        echo "| $label | $(describe_program "$program") | failed: ${failed[$key]} | | | | | | | |"
        continue
      fi
      output="${outputs[$key]:-}"
      row="| $label | $(describe_program "$program") | $(show_spread "${walls[$key]}" %.2f)"
      if [ "$program" = floor ]; then
        row+=" | 1.00x | $(show_spread "${cpus[$key]}" %.2f) | 1.00x | $(show_spread "${memories[$key]}" %.0f 1024) | 1.00x"
      else
        row+=" | $(show_spread "$(ratios "${walls[$key]}" "${walls[$floor]}")" %.2fx)"
        row+=" | $(show_spread "${cpus[$key]}" %.2f) | $(show_spread "$(ratios "${cpus[$key]}" "${cpus[$floor]}")" %.2fx)"
        row+=" | $(show_spread "${memories[$key]}" %.0f 1024)"
        row+=" | $(show_spread "$(ratios "${memories[$key]}" "${memories[$floor]}")" %.2fx)"
      fi
      row+=" | $([ -n "$output" ] && awk -v b="$output" 'BEGIN { printf "%.1f", b / 1e6 }' || echo -)"
      row+=" | $(ratio "$output" "$input_bytes") |"
      echo "$row"
    done
  done
  for scene in "${scenes[@]}"; do
    read -r name meshes side extra <<<"$scene"
    is_large "$name" || continue
    echo
    echo "Phases of the $name imports (seconds, median and least-greatest; the fills add up the time of each mesh's):"
    echo
    echo "| Phase | kvimport, no merge | output on disk | --merge | --as-authored |"
    echo "|---|---|---|---|---|"
    for phase in $phases; do
      row="| $(describe_phase "$phase") |"
      for program in kvimport kvimport-disk kvimport-merge kvimport-authored; do
        file="$work/phases-$name-$program"
        values="$([ -f "$file" ] && awk -v p="$phase" '$1 == p { print $2 }' "$file" | tr '\n' ' ')"
        row+=" $(show_spread "$values" %.3f) |"
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
