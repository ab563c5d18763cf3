#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Qt kit the Windows build needs: Qt 6.4.2 for 64-bit Windows (x86_64-w64-mingw32)
# from Debian's own qt6-base source, with Debian's MinGW-w64 (posix threads) and Debian's host
# Qt tools: Core, Gui, Widgets, Network, Test, the windows platform plugin and the windowsvista
# style, with Qt's bundled zlib, pcre2, libpng, harfbuzz, freetype and double-conversion; no
# OpenGL, SQL, D-Bus or XML. Shared libraries, release. About 20 minutes on 2 idle cores.
# Needs root (or sudo) for apt-get.
#
# Usage: build-qt-kit.sh PREFIX [WORKDIR]
#   PREFIX   where the kit is installed (it is relocatable: copy or unpack it anywhere)
#   WORKDIR  where the source is unpacked and built (default: a new temporary folder)
set -euo pipefail
prefix=$(realpath -m "${1:?usage: build-qt-kit.sh PREFIX [WORKDIR]}")
work=$(realpath -m "${2:-$(mktemp -d)}")
toolchain=$(cd "$(dirname "$0")/../../cmake" && pwd)/mingw-w64-x86_64.cmake
jobs=${JOBS:-$(nproc)}

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
need=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools cmake ninja-build perl dpkg-dev
  xz-utils)
missing=()
for p in "${need[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's source packages: the archive serves them once deb-src is listed.
mkdir -p "$work" && cd "$work"
if ! ls qt6-base_6.4.2*.orig.tar.xz >/dev/null 2>&1; then
  if ! apt-get source --download-only qt6-base >/dev/null 2>&1; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: .*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${as_root[@]}" tee /etc/apt/sources.list.d/debian-src-for-qt-kit.sources >/dev/null
    else
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
        "${as_root[@]}" tee /etc/apt/sources.list.d/debian-src-for-qt-kit.list >/dev/null
    fi
    "${as_root[@]}" apt-get update -qq
    apt-get source --download-only qt6-base
  fi
fi
tarball=$(ls qt6-base_6.4.2*.orig.tar.xz | head -1)
# The source that packaging/windows/licenses/README.txt.in names, and no other.
echo "4f14b89a9463a540fd84a6718b8519a2297119b454ef547721015a9e9019ae9e  $tarball" | sha256sum -c --quiet ||
  { echo "build-qt-kit: $tarball is not the source the licence notice names" >&2; exit 1; }
[ -d qtbase-everywhere-src-6.4.2 ] || tar -xf "$tarball"

# Options that are not obvious:
# - INPUT_opengl=no as well as FEATURE_opengl=OFF: the feature alone leaves dynamic OpenGL on.
# - tabletevent OFF: Debian's source drops 3rdparty/wintab, and MinGW has no wintab.h.
# - direct2d stays on: without it Qt 6.4.2's qwindows.dll does not link (the DirectWrite
#   font database lives in Gui only when direct2d is on).
# - -ffile-prefix-map keeps the build folder's path out of the binaries.
cmake -G Ninja -S qtbase-everywhere-src-6.4.2 -B build \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(uname -m)-linux-gnu/cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DCMAKE_C_FLAGS="-ffile-prefix-map=$work=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$work=." \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_textmarkdownreader=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_jpeg=OFF -DFEATURE_openssl=OFF -DFEATURE_zstd=OFF \
  -DFEATURE_tabletevent=OFF >configure.log 2>&1 || { tail -30 configure.log; exit 1; }
ninja -C build -j"$jobs" >build.log 2>&1 || { grep -m5 -B2 -A5 'error' build.log; exit 1; }
cmake --install build >install.log 2>&1
echo "Qt 6.4.2 for x86_64-w64-mingw32 installed in $prefix ($(du -sh "$prefix" | cut -f1))"
