#!/usr/bin/env bash
# What the "as authored" import choice costs on the 4.5-million-face scene:
# PAIRS (default 9) imports with the choice off and on, one after the other
# in each pair so that a busy spell on the machine falls on both, the output
# on tmpfs. Prints the median, least and greatest wall and CPU time (user and
# system) of each, their peak memory and output size, and the median, least
# and greatest of the pairs' ratios of on to off.
#
#   bash bench/as_authored.sh [PAIRS]      (after a release build)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pairs="${1:-9}"
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
    /usr/bin/time -f "$choice %e %M %U %S" -a -o "$times" "$repo/build/bin/kvimport" --progress=none --units "model units" \
      --no-merge "--$([ "$choice" = on ] || echo no-)as-authored" "$scene" "$fast/$choice.kvm" >/dev/null
  done
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

awk -v off_bytes="$(stat -c %s "$fast/off.kvm")" -v on_bytes="$(stat -c %s "$fast/on.kvm")" '
  { ++n[$1]; wall[$1, n[$1]] = $2; memory[$1, n[$1]] = $3; cpu[$1, n[$1]] = $4 + $5 }
  # Sorts the values of one column into sorted[1..count] and returns their median.
  function median(values, choice,    i, j, t, count) {
    count = n[choice]
    for (i = 1; i <= count; ++i) sorted[i] = values[choice, i]
    for (i = 2; i <= count; ++i) for (j = i; j > 1 && sorted[j] < sorted[j - 1]; --j) { t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
    return count % 2 ? sorted[(count + 1) / 2] : (sorted[count / 2] + sorted[count / 2 + 1]) / 2
  }
  function spread(values, choice, format) {
    return sprintf(format " (" format " to " format ")", median(values, choice), sorted[1], sorted[n[choice]])
  }
  function report(choice, bytes) {
    printf "%-4s wall %s s, CPU %s s, peak memory %d MiB, output %.1f MB\n", choice ":", spread(wall, choice, "%.2f"),
           spread(cpu, choice, "%.2f"), median(memory, choice) / 1024, bytes / 1e6
  }
  END {
    report("off", off_bytes); report("on", on_bytes)
    for (i = 1; i <= n["off"]; ++i) { wall["ratio", i] = wall["on", i] / wall["off", i]; cpu["ratio", i] = cpu["on", i] / cpu["off", i] }
    n["ratio"] = n["off"]
    printf "on / off, pair by pair: wall %s, CPU %s (%d pairs)\n", spread(wall, "ratio", "%.2fx"), spread(cpu, "ratio", "%.2fx"), n["off"]
  }' "$times"
