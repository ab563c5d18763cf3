#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up and runs Wingscribe against the demo simulator feed: installs the
# Debian packages, builds the program and the feed (nothing else), starts the feed on a free
# loopback port, and starts Wingscribe from its own folder (build/demo) with a settings file
# pointing at the feed.
# On a desktop it runs until you end Wingscribe from its right-click menu, then stops the
# feed. Without one (no usable DISPLAY or WAYLAND_DISPLAY) it runs on a private virtual
# display, saves a screenshot, ends the program, the feed and the display, and says where
# the screenshot is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target wingscribe wingscribe-feed
demo=$(readlink -f "$build")/demo
mkdir -p "$demo"
cp -f "$build/wingscribe" "$demo/wingscribe"

feed_out=$(mktemp)
feed=
stop_feed() {
  [ -z "$feed" ] || { kill "$feed" 2>/dev/null || true; wait "$feed" 2>/dev/null || true; }
  rm -f "$feed_out"
}
trap stop_feed EXIT
trap 'exit 130' INT TERM HUP
"$build/tools/wingscribe-feed" --port 0 >"$feed_out" &
feed=$!
for _ in $(seq 100); do
  grep -q "listening on" "$feed_out" && break
  sleep 0.05
done
port=$(sed -n 's/^listening on \([0-9]*\)$/\1/p' "$feed_out")
[ -n "$port" ] || { echo "The demo feed did not start." >&2; exit 1; }
echo "Demo feed listening on 127.0.0.1:$port"

# The settings file lives beside the executable. The first demo run starts from the demo
# settings; later runs keep what the user changed and only follow the feed's port.
ini="$demo/wingscribe.ini"
[ -f "$ini" ] || cp tools/demo-settings.ini "$ini"
sed -i "s|^KVEPort=.*|KVEPort=$port\r|" "$ini"

desktop() {
  [ -n "${WAYLAND_DISPLAY:-}" ] || { [ -n "${DISPLAY:-}" ] && xprop -root >/dev/null 2>&1; }
}

if desktop; then
  echo "Wingscribe is running: right-click its text and choose \"End Wingscribe\" to stop the demo."
  "$demo/wingscribe" || true
  echo "Wingscribe ended; demo feed stopped."
else
  echo "No desktop found: running on a private virtual display for a screenshot."
  # Inside the display: start the program, wait for its window and a few messages, take the
  # screenshot, then end the program before the display goes away.
  scripts/with-display.sh bash -c '
    set -eu
    "$1/wingscribe" & app=$!
    trap "kill \$app 2>/dev/null || true; wait \$app 2>/dev/null || true" EXIT
    for _ in $(seq 300); do
      xdotool search --onlyvisible --name "^Wingscribe$" >/dev/null 2>&1 && break
      kill -0 $app 2>/dev/null || { echo "Wingscribe ended before its window showed." >&2; exit 1; }
      sleep 0.05
    done
    xdotool search --onlyvisible --name "^Wingscribe$" >/dev/null ||
      { echo "Wingscribe showed no window within 15 s." >&2; exit 1; }
    sleep 7 # the demo traffic shows a few messages meanwhile
    import -window root "$1/screenshot.png"' _ "$demo"
  echo "Screenshot saved: $demo/screenshot.png"
fi
