#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a built build folder and checks it: its dependencies and
# checksum, lintian (no errors, no hardening tags), the desktop entry and the AppStream data;
# then unpacks it into an empty folder tree and checks the installed launcher: --help and
# --version, a one-line reason when the per-user copy cannot be made or run or there is no
# display, a quiet first start (from a copy that lost its run bit) that writes the settings
# file beside the copy, and LAUNCH_PAIRS (default 20) pairs of simultaneous launches right
# after an upgrade, of which exactly one program runs and the other is refused as a second
# instance.
# Usage: scripts/check-package.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "${1:-build}")
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
for needed in libqt6widgets6 libc6 "fonts-liberation2 | fonts-liberation"; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
[ "$(dpkg-deb --field "$deb" Recommends)" = qt6-wayland ] || fail "Recommends lacks qt6-wayland"

(cd "$work/out" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS beside the package"

# Debian's own checks. lintian fails on errors and on any hardening tag; its warnings are
# printed.
status=0
lintian -I -E --pedantic --fail-on error "$deb" >"$work/lintian.log" 2>/dev/null || status=$?
grep "^[EW]:" "$work/lintian.log" || true
[ $status -eq 0 ] || fail "lintian found errors"
# (A sanitizer build has instrumentation of its own instead.)
grep -q "^WINGSCRIBE_SANITIZE:BOOL=ON" "$build/CMakeCache.txt" ||
  ! grep hardening "$work/lintian.log" || fail "lintian: built without Debian's hardening flags"
mkdir "$work/root" "$work/home"
dpkg -x "$deb" "$work/root"
share=$work/root/usr/share
desktop=$(ls "$share"/applications/*.desktop)
app_id=$(basename "$desktop" .desktop)
metainfo=$share/metainfo/$app_id.metainfo.xml
for file in usr/bin/wingscribe usr/bin/wingscribe-feed usr/lib/wingscribe/wingscribe \
            usr/share/icons/hicolor/32x32/apps/wingscribe.png usr/share/doc/wingscribe/copyright \
            usr/share/man/man1/wingscribe.1.gz usr/share/man/man1/wingscribe-feed.1.gz; do
  [ -e "$work/root/$file" ] || fail "missing from package: $file"
done
[ -f "$metainfo" ] || fail "no AppStream data named after the desktop entry $app_id"
desktop-file-validate "$desktop" || fail "desktop entry $desktop"
appstreamcli validate --pedantic "$metainfo" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "AppStream data"; }
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "AppStream data does not launch $app_id.desktop"

# The launcher's own command line, and a one-line reason when no copy can be made.
launcher=$work/root/usr/bin/wingscribe
version=$(dpkg-deb --field "$deb" Version)
[ "$("$launcher" --version)" = "wingscribe ${version%-*}" ] || fail "launcher --version"
for program in wingscribe wingscribe-feed; do # the same short option in both commands
  [ "$("$work/root/usr/bin/$program" -v)" = "$program ${version%-*}" ] || fail "$program -v"
done
"$launcher" --help | grep -q "^Usage: wingscribe" || fail "launcher --help"
status=0
"$launcher" --bogus 2>/dev/null || status=$?
[ $status -eq 2 ] || fail "launcher accepted an unknown argument (status $status)"
refused() { # what the line says, then the environment: one line, and no start
  status=0 && { env "${@:2}" "$launcher" 2>"$work/no-copy" || status=$?; }
  [ $status -eq 1 ] && [ "$(wc -l <"$work/no-copy")" -eq 1 ] && grep -q "cannot start: $1" "$work/no-copy" ||
    { cat "$work/no-copy"; fail "no one-line reason with ${*:2}"; }
}
touch "$work/not-a-folder"
refused ".*$work/not-a-folder/data/wingscribe.*(Not a directory)" XDG_DATA_HOME="$work/not-a-folder/data"
refused "HOME (-rf) is not an absolute path" XDG_DATA_HOME= HOME=-rf

export HOME=$work/home XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen
copy=$HOME/.local/share/wingscribe/wingscribe
ini=$copy.ini
mkdir -p "$copy/sub" # a folder in the way of the copy is named, and nothing is left inside it
refused "$copy is in the way"
[ "$(ls -A "$copy")" = sub ] || fail "files left in $copy"
rm -r "$copy" && install -m 644 "$work/root/usr/lib/wingscribe/wingscribe" "$copy"

# Started where there is no display (ssh without X forwarding, cron), from a copy that lost
# its run bit: the copy is made runnable again, and the program says in one line why not.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$launcher" 2>"$work/no-display" || status=$?
[ $status -eq 1 ] && [ "$(wc -l <"$work/no-display")" -eq 1 ] &&
  grep -q "^wingscribe: cannot start: no display found" "$work/no-display" ||
  { cat "$work/no-display"; fail "no one-line reason without a display (status $status)"; }
# A display that is named but gone (a stale DISPLAY over ssh): the same, with its name.
status=0
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4093 "$launcher" 2>"$work/no-display" || status=$?
[ $status -eq 1 ] && [ "$(wc -l <"$work/no-display")" -eq 1 ] &&
  grep -q "^wingscribe: cannot start: could not connect to display :4093$" "$work/no-display" ||
  { cat "$work/no-display"; fail "no one-line reason for a display that is gone (status $status)"; }

# First start, as from su or ssh (no XDG_RUNTIME_DIR): the per-user copy starts, writes its
# settings file beside itself and prints nothing.
env -u XDG_RUNTIME_DIR "$launcher" 2>"$work/first.err" &
pids=($!)
for _ in $(seq 200); do
  grep -q "^FirstRun=1" "$ini" 2>/dev/null && break
  sleep 0.05
done
grep -q "^FirstRun=1" "$ini" || fail "installed program did not start and write $ini"
kill "${pids[0]}"
wait "${pids[0]}" 2>/dev/null || true
# (The offscreen platform these checks run on has a notice of its own.)
! grep -v "plugin does not support propagateSizeHints" "$work/first.err" ||
  fail "messages from a normal start"

# Simultaneous launches right after an upgrade: one runs, the other ends as a second instance.
for pair in $(seq "${LAUNCH_PAIRS:-20}"); do
  echo "an older program" >"$copy"
  "$launcher" 2>"$work/a.err" &
  a=$!
  "$launcher" 2>"$work/b.err" &
  b=$!
  pids=("$a" "$b")
  ended=
  for _ in $(seq 400); do
    kill -0 "$a" 2>/dev/null || { ended=$a && running=$b && break; }
    kill -0 "$b" 2>/dev/null || { ended=$b && running=$a && break; }
    sleep 0.025
  done
  [ -n "$ended" ] || fail "pair $pair: both programs kept running"
  status=0
  wait "$ended" || status=$?
  kill -0 "$running" 2>/dev/null && [ $status -eq 0 ] ||
    { cat "$work/a.err" "$work/b.err"; fail "pair $pair: not exactly one program started"; }
  kill "$running"
  wait "$running" 2>/dev/null || true
  cmp -s "$copy" "$work/root/usr/lib/wingscribe/wingscribe" || fail "pair $pair: copy not refreshed"
done
[ -z "$(find "$HOME/.local/share/wingscribe" -name '.wingscribe.new.*')" ] || fail "copies left over"
echo "package $(basename "$deb") checks out: lintian, desktop entry, AppStream data, launcher," \
  "first start, ${LAUNCH_PAIRS:-20} simultaneous launch pairs"
