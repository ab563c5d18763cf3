#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that one commit gives the same Windows zip and installer, byte for byte, whatever the
# folder, the time, the time zone and the umask they are built with.
#   check-reproducible.sh QT_KIT [DIST_DIR]
# Builds the program of the last commit in a fresh folder and packages it (package.sh), then
# compares its SHA256SUMS with those in DIST_DIR, the artifacts that scripts/windows/test.sh
# made earlier from this work tree in its own folder. When there is no DIST_DIR, or the work
# tree differs from the last commit, the last commit is built a second time in another folder
# instead. Needs what scripts/windows/test.sh installs; about two minutes a build.
set -euo pipefail
kit=$(realpath -e "$1")
dist=${2:+$(realpath -e "$2")}
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)

build() { # FOLDER: the last commit, built and packaged there; no compiler cache
  mkdir -p "$1"
  git archive HEAD | tar -x -C "$1"
  mkdir "$1/build" && ln -s "$kit" "$1/build/qt-kit" # (where test.sh keeps it)
  (cd "$1" && CCACHE_DISABLE=1 cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DWINGSCRIBE_BENCH=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$PWD/build/qt-kit" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(uname -m)-linux-gnu/cmake" \
    >"$work/configure.log" && CCACHE_DISABLE=1 cmake --build build --target wingscribe \
    >"$work/build.log" && scripts/windows/package.sh build "$kit" dist >/dev/null) ||
    { tail -20 "$work"/*.log; exit 1; }
  echo "$1/dist"
}

first=$(umask 077 && TZ=Pacific/Auckland build "$work/one")
if [ -n "$dist" ] && [ -z "$(git status --porcelain)" ]; then
  second=$dist
else
  second=$(TZ=America/Denver build "$work/a-second-folder-with-a-longer-name")
fi
if ! cmp -s "$first/SHA256SUMS" "$second/SHA256SUMS"; then
  echo "check-reproducible: the same commit gave different artifacts:" >&2
  diff "$first/SHA256SUMS" "$second/SHA256SUMS" >&2 || true
  diff -rq "$first/stage" "$second/stage" | grep -v '\.nsh' >&2 || true
  exit 1
fi
echo "check-reproducible: the same bytes from two builds in two folders:"
sed 's/^/  /' "$first/SHA256SUMS"
