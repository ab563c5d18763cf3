#!/usr/bin/env bash
# Sets everything up and runs Wingscribe against the demo simulator feed: installs the
# Debian packages, builds, starts the feed on a free loopback port, and starts Wingscribe
# from its own folder (build/demo) with a settings file pointing at the feed.
# Without a desktop (no DISPLAY) it runs on a virtual display and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build=${BUILD_DIR:-build}
demo="$build/demo"
mkdir -p "$demo"
cp -f "$build/wingscribe" "$demo/wingscribe"

feed_out=$(mktemp)
"$build/tools/wingscribe-feed" --port 0 >"$feed_out" &
feed=$!
trap 'kill $feed 2>/dev/null || true; rm -f "$feed_out"' EXIT
for _ in $(seq 100); do
  grep -q "listening on" "$feed_out" && break
  sleep 0.05
done
port=$(sed -n 's/^listening on \([0-9]*\)$/\1/p' "$feed_out")
echo "Demo feed listening on 127.0.0.1:$port"

# The settings file lives beside the executable. The first demo run starts from the demo
# settings; later runs keep what the user changed and only follow the feed's port.
ini="$demo/wingscribe.ini"
[ -f "$ini" ] || cp tools/demo-settings.ini "$ini"
sed -i "s|^KVEPort=.*|KVEPort=$port\r|" "$ini"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$demo/wingscribe"
else
  echo "No desktop found: running on a virtual display; a screenshot follows in $demo/screenshot.png"
  scripts/with-display.sh bash -c '
    "$1/wingscribe" & app=$!
    sleep 8; import -window root "$1/screenshot.png"; echo "Screenshot saved: $1/screenshot.png"
    wait $app' _ "$demo"
fi
