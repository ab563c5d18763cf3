#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Wingscribe for Windows here on Debian and tests it under Wine: installs the Debian
# packages, cross-builds the program, the demo feed and the unit tests with MinGW-w64, runs the
# unit tests through CTest under Wine, makes the portable zip and the installer, runs the
# Windows end-to-end check (the program from the zip on a virtual display, and the installer),
# and last checks that the last commit, built again in another folder, gives the same zip and
# installer byte for byte (scripts/windows/check-reproducible.sh, about two minutes).
#
# The Qt kit for Windows: WINGSCRIBE_QT_KIT names a ready kit folder or its .tar.xz; without
# it, scripts/windows/build-qt-kit.sh builds one from Debian's source (about 20 minutes, once).
# The build folder is build-windows (or $WINDOWS_BUILD_DIR); the zip and the installer end up
# in its dist/ folder, with their SHA256SUMS.
set -euo pipefail
given_kit=${WINGSCRIBE_QT_KIT:+$(realpath -e "$WINGSCRIBE_QT_KIT")}
cd "$(dirname "$0")/../.."
build=$(realpath -m "${WINDOWS_BUILD_DIR:-build-windows}")
mkdir -p "$build"

scripts/windows/setup.sh

# The kit, always reached as qt-kit in the build folder: a link to a given folder, a given
# tarball unpacked there once, or built there once. The linker orders the program's imports by
# the paths of the libraries it is given, so the kit's path from the build folder is part of
# what makes the same bytes (check-reproducible.sh reaches it the same way).
kit=$build/qt-kit
if [ -d "$given_kit" ]; then
  [ "$(realpath -m "$kit")" = "$given_kit" ] || { rm -rf "$kit" && ln -s "$given_kit" "$kit"; }
elif [ -n "$given_kit" ]; then
  from="$given_kit $(stat -c '%s %Y' "$given_kit")"
  if [ -L "$kit" ] || [ "$(cat "$kit/.unpacked-from" 2>/dev/null)" != "$from" ]; then
    rm -rf "$kit" && mkdir -p "$kit"
    tar -xf "$given_kit" -C "$kit" --strip-components=1
    echo "$from" >"$kit/.unpacked-from"
  fi
elif [ ! -f "$kit/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  [ ! -L "$kit" ] || rm "$kit"
  scripts/windows/build-qt-kit.sh "$kit" "$build/qt-kit-source"
fi

# (A build folder configured with the kit found elsewhere starts afresh.)
qt_dir=$(sed -n 's/^Qt6_DIR:PATH=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
[ -z "$qt_dir" ] || [ "$qt_dir" = "$kit/lib/cmake/Qt6" ] || rm -rf "$build/CMakeCache.txt"
cmake -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWINGSCRIBE_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$kit" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(uname -m)-linux-gnu/cmake" >/dev/null
cmake --build "$build"

# The Wine prefix lives in the build folder; its server goes when the run ends.
prefix=$build/wine-prefix
trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
(cd "$build" && ctest --output-on-failure --timeout 300 -j2)

scripts/windows/package.sh "$build" "$kit" "$build/dist"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/dist/wingscribe-$version-windows-x64.zip
size=$(stat -c %s "$zip")
[ "$size" -lt 12000000 ] || { echo "test: the zip has grown to $size bytes" >&2; exit 1; }

# The end-to-end check; the feed it runs is a test tool and gets the build's DLLs.
dll_dirs=$(sed -n 's/^WINGSCRIBE_WINE_DLL_DIRS:INTERNAL=//p' "$build/CMakeCache.txt")
WINGSCRIBE_ZIP=$zip WINGSCRIBE_SETUP=$build/dist/wingscribe-$version-setup.exe \
  WINGSCRIBE_FEED=$build/tools/wingscribe-feed.exe WINE_RUN=$PWD/scripts/windows/wine-run.sh \
  WINE_PREFIX=$prefix WINE_DLL_DIRS=$dll_dirs E2E_ARTIFACTS=$build/e2e-artifacts \
  scripts/with-display.sh python3 tests/e2e/test_windows.py

scripts/windows/check-reproducible.sh "$kit" "$build/dist"
