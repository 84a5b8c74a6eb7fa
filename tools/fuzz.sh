#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 120), as many at once as there are
# processors, from the fixed seed corpus: the real 3DS files and texture images
# of the Debian test packages, the project's own sample and textures, and every
# file of the regression corpus. A crash, a sanitizer report or an input
# running past the time limit stops that fuzzer with its input saved under
# build-fuzz/findings/TARGET/; such an input belongs in
# tests/fuzz/regressions/, which the ordinary test suite replays.
#
#   bash tools/fuzz.sh [SECONDS]
set -euo pipefail
seconds="${1:-120}"
repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo_root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target import_fuzzer modelfile_fuzzer modelscene_fuzzer modelbudget_fuzzer texture_fuzzer

real_3ds_folders=(/usr/share/assimp/models/3DS /usr/share/glmark2/models /usr/share/games/gl-117/models)

# The import target saves a model per input; a memory-backed folder keeps the
# disk out of the way.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

# Each fuzzer writes its log beside its findings, shown whole when it ends, so
# that the logs of fuzzers running side by side do not interleave.
declare -A fuzzer_of
running=0
failed=()
finish_one() {
  local ended
  wait -n -p ended || failed+=("${fuzzer_of[$ended]}")
  echo "== ${fuzzer_of[$ended]}: $seconds s"
  cat "build-fuzz/findings/${fuzzer_of[$ended]}.log"
  running=$((running - 1))
}
run_fuzzer() {
  local target="$1"; shift
  local work="build-fuzz/corpus/$target" findings="build-fuzz/findings/$target"
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  while [ "$running" -ge "$(nproc)" ]; do finish_one; done
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1" \
    "build-fuzz/tests/fuzz/$target" -seed=1 -len_control=0 -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$@" > "build-fuzz/findings/$target.log" 2>&1 &
  fuzzer_of[$!]="$target"
  running=$((running + 1))
}

seeds_3ds=(samples tests/fuzz/regressions/3ds)
for folder in "${real_3ds_folders[@]}"; do [ -d "$folder" ] && seeds_3ds+=("$folder"); done
run_fuzzer import_fuzzer "${seeds_3ds[@]}"
run_fuzzer modelfile_fuzzer tests/fuzz/corpus/modelfile tests/fuzz/regressions/modelfile
run_fuzzer modelscene_fuzzer tests/fuzz/corpus/modelfile tests/fuzz/regressions/modelfile
run_fuzzer modelbudget_fuzzer tests/fuzz/corpus/budgets tests/fuzz/corpus/modelfile

# The real textures: JPEG, PNG, BMP and TGA images of up to 64 KB; larger
# ones slow the PNG re-encoding of every mutated input down to a few a second.
real_textures=build-fuzz/seeds/texture
rm -rf "$real_textures"
mkdir -p "$real_textures"
find /usr/share/assimp/models /usr/share/glmark2/textures /usr/share/games/gl-117/textures -type f -size -64k \
  \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' -o -iname '*.bmp' -o -iname '*.tga' -o -iname '*.gif' \) \
  -exec cp -t "$real_textures" {} + 2>/dev/null || true
run_fuzzer texture_fuzzer tests/fuzz/corpus/texture tests/fuzz/regressions/texture "$real_textures"
while [ "$running" -gt 0 ]; do finish_one; done
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz.sh: ${failed[*]} found a fault; the input is under build-fuzz/findings/" >&2
  exit 1
fi
