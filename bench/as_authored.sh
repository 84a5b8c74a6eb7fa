#!/usr/bin/env bash
# What the "as authored" import choice costs on the 4.5-million-face scene:
# PAIRS (default 7) imports with the choice off and on, one after the other
# in each pair so that a busy spell on the machine falls on both, the output
# on tmpfs. Prints the median, fastest and slowest wall time of each, their
# peak memory and output size, and the ratio of the medians.
#
#   bash bench/as_authored.sh [PAIRS]      (after a release build)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pairs="${1:-7}"
work="${WORK:-$repo/build/bench-record}"
fast="${FAST_OUTPUT:-/dev/shm}/kv-bench-authored-$$"
mkdir -p "$work" "$fast"
trap 'rm -rf "$fast"' EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"

scene="$work/4.5M.3ds"
[ -f "$scene" ] || "$repo/build/bench/make_bench_scene" 100 150 "$scene"
cat "$scene" >/dev/null  # every run reads the file from the page cache

times="$fast/times.txt"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((pair = 1; pair <= pairs; ++pair)); do
  for choice in off on; do
    /usr/bin/time -f "$choice %e %M" -a -o "$times" "$repo/build/bin/kvimport" --progress=none --units "model units" \
      --no-merge "--$([ "$choice" = on ] || echo no-)as-authored" "$scene" "$fast/$choice.kvm" >/dev/null
  done
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

awk -v off_bytes="$(stat -c %s "$fast/off.kvm")" -v on_bytes="$(stat -c %s "$fast/on.kvm")" '
  { ++n[$1]; wall[$1, n[$1]] = $2; memory[$1, n[$1]] = $3 }
  # Sorts the values of one column into sorted[1..count] and returns their median.
  function median(values, choice,    i, j, t, count) {
    count = n[choice]
    for (i = 1; i <= count; ++i) sorted[i] = values[choice, i]
    for (i = 2; i <= count; ++i) for (j = i; j > 1 && sorted[j] < sorted[j - 1]; --j) { t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
    return count % 2 ? sorted[(count + 1) / 2] : (sorted[count / 2] + sorted[count / 2 + 1]) / 2
  }
  function report(choice, bytes,    middle) {
    middle = median(wall, choice)
    printf "%-4s median %.2f s (%.2f to %.2f), peak memory %d MiB, output %.1f MB\n", choice ":", middle, sorted[1],
           sorted[n[choice]], median(memory, choice) / 1024, bytes / 1e6
    return middle
  }
  END {
    off = report("off", off_bytes); on = report("on", on_bytes)
    printf "on / off: %.2fx (%d pairs)\n", on / off, n["off"]
  }' "$times"
