#!/usr/bin/env bash
# Runs a command on an X display: the user's own when there is one,
# otherwise a private Xvfb, with a screen large enough for kvstudio's window.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then exec "$@"; fi
exec xvfb-run --auto-servernum --server-args="-screen 0 1600x1000x24" "$@"
