#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a private virtual X display (1920x1080) with the openbox window manager,
# then tears both down. Fails when no window manager could be started, rather than running
# the command without one. Usage: scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail

for display in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
done
export DISPLAY=":$display"

Xvfb "$DISPLAY" -screen 0 "${SCREEN_SIZE:-1920x1080x24}" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wm=
trap 'kill $wm $xvfb 2>/dev/null || true; wait 2>/dev/null || true' EXIT

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

wait_for 10 xprop -root || { echo "with-display: Xvfb did not start" >&2; exit 1; }
for _ in 1 2 3; do
  openbox >/dev/null 2>&1 &
  wm=$!
  wait_for 10 wm_running && break
  kill "$wm" 2>/dev/null || true
done
wm_running || { echo "with-display: openbox did not start" >&2; exit 1; }
"$@"
