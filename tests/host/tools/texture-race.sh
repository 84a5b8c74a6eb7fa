#!/usr/bin/env bash
# A race against the texture search: while kvimport imports one model over
# and over, another process swaps the model's sub-folder "s", which holds
# the texture the model names (s\image.png, 512 x 512), for a link to a
# folder outside that holds an image of the same name (800 x 446), and back,
# as fast as it can. Prints how many imports ran and how many models hold
# which image; none may hold the outside one.
#
#   bash tests/host/tools/texture-race.sh [SECONDS [BIN_FOLDER]]
#
# (30 seconds and build/bin by default; the unit test of the opener swaps a
# folder once, deterministically, and the suite runs that.)
set -euo pipefail
seconds=${1:-30}
bin=$(realpath "${2:-$(dirname "${BASH_SOURCE[0]}")/../../../build/bin}")
real=/usr/share/assimp/models/3DS
work=$(mktemp -d)
racer=
cleanup() {
  if [ -n "$racer" ]; then kill "$racer" 2>/dev/null || true; wait "$racer" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config LC_ALL=C

mkdir -p "$work/model/s" "$work/outside"
# test1.3ds names CWALL02.JPG; the same 11 bytes name s\image.png instead.
python3 - "$real/test1.3ds" "$work/model/m.3ds" <<'EOF'
import sys
scene = open(sys.argv[1], 'rb').read()
open(sys.argv[2], 'wb').write(scene.replace(b'CWALL02.JPG', b's\\image.png'))
EOF
cp "$real/test.png" "$work/model/s/image.png"
cp "$real/CWALL02.jpg" "$work/outside/image.png"
ln -s ../outside "$work/model/s.link"

# Swaps without end, each time in one step (renameat2's RENAME_EXCHANGE), so
# that "s" is always there: a folder inside, then a link outside.
python3 - "$work/model" <<'EOF' &
import ctypes, os, sys
os.chdir(sys.argv[1])
libc = ctypes.CDLL(None, use_errno=True)
AT_FDCWD, RENAME_EXCHANGE = -100, 2
while libc.renameat2(AT_FDCWD, b"s", AT_FDCWD, b"s.link", RENAME_EXCHANGE) == 0:
    pass
sys.exit("renameat2: " + os.strerror(ctypes.get_errno()))
EOF
racer=$!

imports=0
declare -A held
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
  "$bin/kvimport" --progress=none "$work/model/m.3ds" "$work/m.kvm" >/dev/null 2>&1 || true
  imports=$((imports + 1))
  size=$("$bin/kvinfo" "$work/m.kvm" | python3 -c 'import json, sys; print(json.load(sys.stdin)["materials"][0]["texture"])')
  held[$size]=$(( ${held[$size]:-0} + 1 ))
done

echo "imports: $imports"
for size in "${!held[@]}"; do
  case $size in
    "[512, 512]") what="the image inside" ;;
    "[800, 446]") what="THE IMAGE OUTSIDE" ;;
    *) what="no image" ;;
  esac
  echo "  $what ($size): ${held[$size]}"
done
[ -z "${held["[800, 446]"]:-}" ]
