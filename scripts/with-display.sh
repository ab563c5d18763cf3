#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a private virtual X display (1920x1080) with the openbox window manager,
# then tears both down. Fails when no window manager could be started, rather than running
# the command without one. Usage: scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail

# Xvfb picks a free display itself and names it once it listens, so that displays started at
# the same moment (tests side by side) never pick the same one.
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${SCREEN_SIZE:-1920x1080x24}" -nolisten tcp 3>"$number" \
  >/dev/null 2>&1 &
xvfb=$!
wm=
trap 'kill $wm $xvfb 2>/dev/null || true; wait 2>/dev/null || true; rm -f "$number"' EXIT

wait_for() { # seconds, then a command that succeeds once ready
  local tries=$(($1 * 20))
  shift
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

wait_for 10 grep -q . "$number" || { echo "with-display: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$number")"
for _ in 1 2 3; do
  openbox >/dev/null 2>&1 &
  wm=$!
  wait_for 10 wm_running && break
  kill "$wm" 2>/dev/null || true
done
wm_running || { echo "with-display: openbox did not start" >&2; exit 1; }
"$@"
