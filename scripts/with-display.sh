#!/usr/bin/env bash
# Runs a command on a private virtual X display (1920x1080) with the openbox window manager,
# then tears both down. Usage: scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail

for display in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
done

Xvfb ":$display" -screen 0 "${SCREEN_SIZE:-1920x1080x24}" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
wm=
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
"$@"
