#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into an empty folder
# tree and checks that the installed launcher starts a per-user copy of the program, which
# writes its settings file beside that copy. Usage: scripts/check-package.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "${1:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
grep -q libqt6widgets6 <<<"$(dpkg-deb --field "$deb" Depends)"
mkdir "$work/root" "$work/home"
dpkg -x "$deb" "$work/root"
for file in usr/bin/wingscribe usr/lib/wingscribe/wingscribe usr/share/applications/wingscribe.desktop \
            usr/share/icons/hicolor/32x32/apps/wingscribe.png; do
  [ -e "$work/root/$file" ] || { echo "missing from package: $file"; exit 1; }
done

HOME="$work/home" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/wingscribe" &
app=$!
ini="$work/home/.local/share/wingscribe/wingscribe.ini"
for _ in $(seq 200); do
  grep -q "^FirstRun=1" "$ini" 2>/dev/null && break
  sleep 0.05
done
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
grep -q "^FirstRun=1" "$ini" || { echo "installed program did not start and write $ini"; exit 1; }
echo "package $(basename "$deb") installs and starts"
