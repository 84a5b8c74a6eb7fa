#!/usr/bin/env bash
# Runs a command on a private X display of its own: an Xvfb with a screen
# large enough for kvstudio's window, started for this command and ended
# with it. Xvfb picks a free display number itself (-displayfd), so any
# number of these run side by side, and no window of a test lands on the
# user's screen.
set -euo pipefail

scratch="$(mktemp -d)"
xvfb=""
command_pid=""
cleanup() {
  [ -n "$command_pid" ] && kill -TERM "$command_pid" 2>/dev/null
  [ -n "$xvfb" ] && kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
display=""
read -r -t 20 display < "$scratch/display" || true
if [ -z "$display" ]; then
  echo "with-display.sh: Xvfb did not start:" >&2
  cat "$scratch/xvfb.log" >&2
  exit 1
fi

env -u WAYLAND_DISPLAY DISPLAY=":$display" "$@" &
command_pid=$!
status=0
wait "$command_pid" || status=$?
command_pid=""
exit "$status"
