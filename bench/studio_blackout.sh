#!/usr/bin/env bash
# The longest time kvstudio's window is not drawn during its first import,
# read from the screen every 0.1 s (studio_blackout.py), on a private Xvfb
# and with a preference store of its own.
#   bench/studio_blackout.sh [KVSTUDIO] [FILE] [RUNS]
#   (default: build/bin/kvstudio, the sample, 5 runs)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
studio=$(realpath "${1:-build/bin/kvstudio}")
file=$(realpath "${2:-samples/courtyard.3ds}")
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for run in $(seq "$runs"); do
    rm -rf "$work/config"
    XDG_CONFIG_HOME=$work/config xvfb-run --auto-servernum --server-args="-screen 0 1600x1000x24" \
        python3 bench/studio_blackout.py "$studio" "$file" "$work/shot.png"
done
